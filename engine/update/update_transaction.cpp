#include "engine/update/update_transaction.h"

#include "engine/record/install_record.h"
#include "engine/update/backup.h"
#include "engine/update/snapshot.h"
#include "win/link_safe.h"
#include "win/path.h"
#include "win/text.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace engine {

namespace {

constexpr wchar_t kSourceMarker[] = L"source.dat";
constexpr int kBackupNameAttempts = 16;
// Moved files go into numbered sub-folders of the backup, this many each: Wine
// looks a new name up by reading its whole folder, so one folder of thousands
// made each move cost more than the last.
constexpr size_t kFilesPerBackupFolder = 128;

std::wstring BackupName(const std::wstring& backup, size_t index) {
    return backup + L"\\" + win::DecimalText(index / kFilesPerBackupFolder) + L"\\" + win::DecimalText(index);
}

bool IsNumber(const std::wstring& text) {
    return !text.empty() && text.find_first_not_of(L"0123456789") == std::wstring::npos;
}

// `path` is a numbered sub-folder's entry of the backup folder.
bool IsBackupEntry(const std::wstring& path, const std::wstring& backup) {
    const std::wstring folder = win::WithoutTrailingSeparators(win::FolderOf(path));
    return IsNumber(win::FileNameOf(path)) && IsNumber(win::FileNameOf(folder)) &&
           win::EqualsNoCase(win::FolderOf(folder), win::WithTrailingBackslash(backup));
}

// The last error, or `fallback` where a failed call left none.
DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

bool IsPlainFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// A payload item's path inside the root; empty when it would lead elsewhere.
std::wstring ItemPath(const std::wstring& root, std::wstring item) {
    std::replace(item.begin(), item.end(), L'/', L'\\');
    while (!item.empty() && item.back() == L'\\') item.pop_back();
    if (item.empty() || !win::IsContainedRelativePath(item)) return {};
    return root + L"\\" + item;
}

// Removes the journal, its folder (empty by now) and the pointer, in that order:
// a pointer without a journal tells the next run only to clear it.
void DiscardJournal(const std::wstring& product_key, const UpdateJournal& journal) {
    for (size_t i = 0; i < journal.moves.size(); i += kFilesPerBackupFolder)
        ::RemoveDirectoryW(win::FolderOf(journal.moves[i].to).c_str());
    ::DeleteFileW(JournalTempPath(journal.backup).c_str());
    ::DeleteFileW(JournalPath(journal.backup).c_str());
    ::RemoveDirectoryW(journal.backup.c_str());
    ClearJournalPointer(product_key);
}

void DeleteNewFiles(const UpdateNames& names, const UpdateJournal& journal) {
    InstallRootPaths paths;
    if (!paths.Open(journal.root, names.links.exe_name)) return;
    std::wstring full;
    for (const std::wstring& file : journal.new_files) {
        if (!paths.Inside(file, &full)) continue;
        ClearReadOnly(full);
        paths.Delete(full);
    }
    std::vector<std::wstring> folders;
    for (const std::wstring& dir : journal.new_dirs)
        if (paths.Inside(dir, &full)) folders.push_back(full);
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& folder : folders) paths.Delete(folder);
}

bool RollBackJournal(const UpdateNames& names, UpdateJournal& journal) {
    if (journal.phase == UpdatePhase::Unpacking) {
        DeleteNewFiles(names, journal);
        // From here on only moves back are left: a run killed during them must
        // not delete again what has already been put back.
        journal.phase = UpdatePhase::Prepared;
        if (!SaveJournal(JournalPath(journal.backup), journal)) return false;
    }
    bool ok = true;
    for (const MovedFile& move : journal.moves) {
        if (!win::FileExists(move.to)) continue;  // never moved, or already back
        win::CreateFolderTree(win::FolderOf(move.from));
        ok = RenameFileNoFollow(move.to, move.from) == ERROR_SUCCESS && ok;
    }
    ok = RestoreSnapshot(names.product_key, names.links, journal) && ok;
    if (!ok) return false;
    DropSnapshotCopies(journal);
    DiscardJournal(names.product_key, journal);
    return true;
}

bool FinishJournal(const UpdateNames& names, const UpdateJournal& journal) {
    for (const MovedFile& move : journal.moves) DeleteOwnedFile(move.to);
    DropSnapshotCopies(journal);
    RemovePaths(journal.obsolete_dirs, {}, journal.root, names.links.exe_name);
    const bool removed =
        !journal.earlier.empty() && RemoveEarlierInstallation(journal.earlier, names.links.exe_name);
    DiscardJournal(names.product_key, journal);
    return removed;
}

// A journal found through the pointer acts only inside its own install root and
// backup folder, whatever it lists.
bool IsWellFormed(const UpdateJournal& journal, const std::wstring& root, const std::wstring& backup,
                  const std::wstring& exe) {
    if (!win::EqualsNoCase(journal.root, root) || !win::EqualsNoCase(journal.backup, backup)) return false;
    InstallRootPaths paths;
    if (!paths.Open(root, exe)) return false;
    std::wstring full;
    for (const MovedFile& move : journal.moves) {
        if (!IsBackupEntry(move.to, backup)) return false;
        if (!paths.Inside(move.from, &full) || !win::EqualsNoCase(full, move.from)) return false;
    }
    return true;
}

// The pointer goes first, naming a folder that does not exist yet: a run killed
// before the journal is written leaves only a pointer to clear.
DWORD MakeBackupFolder(const std::wstring& root, const std::wstring& product_key, std::wstring* backup) {
    for (int attempt = 0; attempt < kBackupNameAttempts; ++attempt) {
        const std::wstring candidate = root + L"\\" + kBackupFolderPrefix + win::DecimalText(::GetCurrentProcessId()) +
                                       L"-" + win::DecimalText(::GetTickCount64()) + L"-" + win::DecimalText(attempt);
        if (!SetJournalPointer(product_key, JournalPath(candidate))) return LastErrorOr(ERROR_REGISTRY_IO_FAILED);
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            ::SetFileAttributesW(candidate.c_str(), FILE_ATTRIBUTE_HIDDEN);
            *backup = candidate;
            return ERROR_SUCCESS;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            const DWORD error = LastErrorOr(ERROR_CANNOT_MAKE);
            ClearJournalPointer(product_key);
            return error;
        }
    }
    return ERROR_ALREADY_EXISTS;
}

// What the run itself writes: the payload's items, the record, the marker.
std::vector<std::wstring> WrittenPaths(const std::wstring& root, const std::vector<std::wstring>& items) {
    std::vector<std::wstring> written;
    for (const std::wstring& item : items) {
        const std::wstring path = ItemPath(root, item);
        if (!path.empty()) written.push_back(path);
    }
    written.push_back(win::JoinPath(root, kInstallRecordFileName));
    written.push_back(win::JoinPath(root, kSourceMarker));
    return written;
}

// The places of folders among what is written (keys): an item that holds other
// items is a folder. A file standing at a folder's place is nobody's to move or
// delete: the unpacking fails on it and the run rolls back, leaving it as it was.
std::set<std::wstring> FolderPlaces(const std::wstring& root, const std::vector<std::wstring>& written) {
    std::set<std::wstring> folders;
    for (const std::wstring& path : written)
        for (std::wstring dir = win::WithoutTrailingSeparators(win::FolderOf(path)); dir.size() > root.size();
             dir = win::WithoutTrailingSeparators(win::FolderOf(dir)))
            if (!folders.insert(win::NoCaseKey(dir)).second) break;
    return folders;
}

}  // namespace

DWORD UpdateTransaction::Begin(const std::wstring& install_dir, const std::wstring& earlier_dir,
                               const std::vector<std::wstring>& items) {
    const std::wstring& exe = m_names.links.exe_name;
    std::wstring root;
    if (!IsInstallRoot(install_dir, exe, &root)) return ERROR_BAD_PATHNAME;
    if (!win::CreateFolderTree(root)) return LastErrorOr(ERROR_CANNOT_MAKE);

    std::wstring backup;
    const DWORD made = MakeBackupFolder(root, m_names.product_key, &backup);
    if (made != ERROR_SUCCESS) return made;
    m_journal = UpdateJournal();
    m_journal.root = root;
    m_journal.backup = backup;
    m_journalPath = JournalPath(backup);

    std::wstring earlier_root;
    const bool same_folder = !earlier_dir.empty() && IsInstallRoot(earlier_dir, exe, &earlier_root) &&
                             win::EqualsNoCase(earlier_root, root);
    if (!earlier_dir.empty() && !same_folder) m_journal.earlier = win::WithoutTrailingSeparators(earlier_dir);

    std::set<std::wstring> planned;
    auto plan = [&](const std::wstring& full) {
        if (!IsPlainFile(full) || !planned.insert(win::NoCaseKey(full)).second) return;
        m_journal.moves.push_back({full, BackupName(backup, m_journal.moves.size())});
    };
    // The folder is administrators-only by now: each folder on the way is looked
    // at once for all the paths below it. The entries themselves are looked at
    // as they are moved, through the handle that moves them.
    InstallRootPaths paths;
    if (!paths.Open(root, exe)) return ERROR_BAD_PATHNAME;
    std::wstring full;
    if (same_folder) {
        InstallRecord record;
        if (ReadInstallRecord(win::JoinPath(root, kInstallRecordFileName), &record)) {
            for (const std::wstring& file : record.files)
                if (paths.Placed(file, &full)) plan(full);
            for (const std::wstring& dir : record.dirs)
                if (paths.Placed(dir, &full)) m_earlierDirs.push_back(full);
        }
    }
    const std::vector<std::wstring> written = WrittenPaths(root, items);
    const std::set<std::wstring> folders = FolderPlaces(root, written);
    std::set<std::wstring> seen_dirs;
    for (const std::wstring& path : written) {
        if (!paths.Placed(path, &full)) continue;
        if (!folders.count(win::NoCaseKey(full))) {
            plan(full);
            m_journal.new_files.push_back(full);
        }
        // The item itself (when it is a folder) and every folder on the way to it.
        for (std::wstring dir = full; dir.size() > root.size(); dir = win::WithoutTrailingSeparators(win::FolderOf(dir))) {
            if (!seen_dirs.insert(win::NoCaseKey(dir)).second) break;
            if (!win::FileExists(dir)) m_journal.new_dirs.push_back(dir);
        }
    }

    const ShortcutNames& links = m_names.links;
    if (!TakeSnapshot(m_names.product_key, links, backup, &m_journal) || !SaveJournal(m_journalPath, m_journal)) {
        const DWORD error = LastErrorOr(ERROR_WRITE_FAULT);
        DropSnapshotCopies(m_journal);
        DiscardJournal(m_names.product_key, m_journal);
        return error;
    }
    return ERROR_SUCCESS;
}

DWORD UpdateTransaction::MoveAside(const std::function<void(size_t, size_t)>& progress) {
    std::unordered_map<std::wstring, std::wstring> folder_finals;  // folder as spelled -> its final path
    const size_t total = m_journal.moves.size();
    for (size_t i = 0; i < total; ++i) {
        const MovedFile& move = m_journal.moves[i];
        const std::wstring folder = win::FolderOf(move.from);
        auto known = folder_finals.find(folder);
        if (known == folder_finals.end()) {
            const win::UniqueFile entry = win::OpenEntry(win::WithoutTrailingSeparators(folder), FILE_READ_ATTRIBUTES);
            std::wstring final_path = entry ? win::FinalPathOf(entry.get()) : std::wstring();
            if (final_path.empty()) return LastErrorOr(ERROR_PATH_NOT_FOUND);
            known = folder_finals.emplace(folder, std::move(final_path)).first;
        }
        if (i % kFilesPerBackupFolder == 0 && !::CreateDirectoryW(win::FolderOf(move.to).c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS)
            return LastErrorOr(ERROR_CANNOT_MAKE);
        // A link in an earlier file's place is not the update's to move: it stays
        // where it is, as the files the update does not know.
        const DWORD error = RenameFileNoFollow(move.from, move.to, known->second);
        if (error != ERROR_SUCCESS && error != ERROR_CANT_ACCESS_FILE) return error;
        if (progress) progress(i + 1, total);
    }
    m_journal.phase = UpdatePhase::Unpacking;
    if (!SaveJournal(m_journalPath, m_journal)) return LastErrorOr(ERROR_WRITE_FAULT);
    return ERROR_SUCCESS;
}

bool UpdateTransaction::RollBack() { return RollBackJournal(m_names, m_journal); }

bool UpdateTransaction::Commit(const std::vector<std::wstring>& new_dirs, bool* earlier_removed) {
    std::set<std::wstring> kept;
    std::wstring full;
    for (const std::wstring& dir : new_dirs)
        if (NormalisePath(dir, &full)) kept.insert(win::NoCaseKey(full));
    for (const std::wstring& dir : m_earlierDirs)
        if (!kept.count(win::NoCaseKey(dir))) m_journal.obsolete_dirs.push_back(dir);
    m_journal.phase = UpdatePhase::Committing;
    if (!SaveJournal(m_journalPath, m_journal)) return false;
    *earlier_removed = FinishJournal(m_names, m_journal);
    return true;
}

bool RepairInterruptedUpdate(const UpdateNames& names) {
    const std::wstring pointer = ReadJournalPointer(names.product_key);
    if (pointer.empty()) return true;
    const std::wstring& exe = names.links.exe_name;
    const std::wstring backup = win::WithoutTrailingSeparators(win::FolderOf(pointer));
    std::wstring root;
    if (!win::EqualsNoCase(win::FileNameOf(pointer), kJournalFileName) ||
        win::FileNameOf(backup).rfind(kBackupFolderPrefix, 0) != 0 ||
        !IsInstallRoot(win::FolderOf(backup), exe, &root) || !win::EqualsNoCase(root + L"\\", win::FolderOf(backup))) {
        ClearJournalPointer(names.product_key);  // names nothing an update of ours makes
        return true;
    }
    UpdateJournal journal;
    if (!LoadJournal(pointer, &journal)) {
        if (win::FileExists(pointer)) return false;  // unreadable: keep everything for a look
        // Killed before its first journal: nothing was changed yet.
        journal.backup = backup;
        DropUnjournaledCopies(backup);
        DiscardJournal(names.product_key, journal);
        return true;
    }
    if (!IsWellFormed(journal, root, backup, exe)) return false;
    if (journal.phase == UpdatePhase::Committing) {
        FinishJournal(names, journal);
        return true;
    }
    return RollBackJournal(names, journal);
}

}  // namespace engine
