#include "engine/update/journal.h"

#include "engine/registry/registry_records.h"
#include "win/path.h"
#include "win/registry.h"
#include "win/unique_handle.h"

#include <pugixml.hpp>

#include <cwchar>

namespace engine {

namespace {

constexpr wchar_t kPointerValue[] = L"UpdateJournal";
constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr DWORD kMaxJournalBytes = 64u << 20;
constexpr size_t kPointerChars = 1024;

const wchar_t* PhaseName(UpdatePhase phase) {
    switch (phase) {
    case UpdatePhase::Prepared: return L"prepared";
    case UpdatePhase::Unpacking: return L"unpacking";
    case UpdatePhase::Committing: return L"committing";
    }
    return L"";
}

bool ParsePhase(const std::wstring& text, UpdatePhase* phase) {
    for (UpdatePhase p : {UpdatePhase::Prepared, UpdatePhase::Unpacking, UpdatePhase::Committing}) {
        if (text == PhaseName(p)) {
            *phase = p;
            return true;
        }
    }
    return false;
}

std::wstring ToHex(const std::vector<BYTE>& bytes) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex;
    for (BYTE b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

bool FromHex(const std::wstring& hex, std::vector<BYTE>* bytes) {
    auto digit = [](wchar_t c) -> int {
        if (c >= L'0' && c <= L'9') return c - L'0';
        if (c >= L'a' && c <= L'f') return c - L'a' + 10;
        return -1;
    };
    if (hex.size() % 2) return false;
    bytes->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes->push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return true;
}

void AddPaths(pugi::xml_node parent, const wchar_t* name, const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) parent.append_child(name).append_attribute(L"path") = path.c_str();
}

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    std::string text;
};

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && ::FlushFileBuffers(file.get());
}

}  // namespace

std::wstring JournalPath(const std::wstring& backup_folder) { return win::JoinPath(backup_folder, kJournalFileName); }

std::wstring JournalTempPath(const std::wstring& backup_folder) { return JournalPath(backup_folder) + L".new"; }

bool SaveJournal(const std::wstring& path, const UpdateJournal& journal) {
    pugi::xml_document doc;
    pugi::xml_node top = doc.append_child(L"Update");
    top.append_attribute(L"phase") = PhaseName(journal.phase);
    top.append_attribute(L"root") = journal.root.c_str();
    top.append_attribute(L"backup") = journal.backup.c_str();
    top.append_attribute(L"earlier") = journal.earlier.c_str();
    for (const MovedFile& move : journal.moves) {
        pugi::xml_node node = top.append_child(L"Move");
        node.append_attribute(L"from") = move.from.c_str();
        node.append_attribute(L"to") = move.to.c_str();
    }
    AddPaths(top, L"NewFile", journal.new_files);
    AddPaths(top, L"NewDir", journal.new_dirs);
    AddPaths(top, L"ObsoleteDir", journal.obsolete_dirs);
    for (const SavedKey& key : journal.keys) {
        pugi::xml_node node = top.append_child(L"Key");
        node.append_attribute(L"machine") = key.machine;
        node.append_attribute(L"key") = key.key.c_str();
        node.append_attribute(L"present") = key.present;
    }
    for (const SavedValue& value : journal.values) {
        pugi::xml_node node = top.append_child(L"Value");
        node.append_attribute(L"machine") = value.machine;
        node.append_attribute(L"key") = value.key.c_str();
        node.append_attribute(L"name") = value.name.c_str();
        node.append_attribute(L"present") = value.present;
        node.append_attribute(L"type") = static_cast<unsigned>(value.type);
        node.append_attribute(L"data") = ToHex(value.data).c_str();
    }
    for (const SavedLink& link : journal.links) {
        pugi::xml_node node = top.append_child(L"Link");
        node.append_attribute(L"path") = link.path.c_str();
        node.append_attribute(L"copy") = link.copy.c_str();
    }
    pugi::xml_node service = top.append_child(L"Service");
    service.append_attribute(L"registered") = journal.service.registered;
    service.append_attribute(L"binary") = journal.service.binary_path.c_str();
    service.append_attribute(L"running") = journal.service.running;

    StringWriter writer;
    doc.save(writer, L"\t", pugi::format_indent, pugi::encoding_utf8);
    const std::wstring temp = path + L".new";
    if (!WriteWholeFile(temp, writer.text)) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool LoadJournal(const std::wstring& path, UpdateJournal* journal) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxJournalBytes) return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        return false;
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8)) return false;
    const pugi::xml_node top = doc.child(L"Update");
    UpdateJournal found;
    if (!top || !ParsePhase(top.attribute(L"phase").value(), &found.phase)) return false;
    found.root = top.attribute(L"root").value();
    found.backup = top.attribute(L"backup").value();
    found.earlier = top.attribute(L"earlier").value();
    for (const pugi::xml_node& node : top.children()) {
        const std::wstring name = node.name();
        if (name == L"Move") {
            found.moves.push_back({node.attribute(L"from").value(), node.attribute(L"to").value()});
        } else if (name == L"NewFile") {
            found.new_files.emplace_back(node.attribute(L"path").value());
        } else if (name == L"NewDir") {
            found.new_dirs.emplace_back(node.attribute(L"path").value());
        } else if (name == L"ObsoleteDir") {
            found.obsolete_dirs.emplace_back(node.attribute(L"path").value());
        } else if (name == L"Key") {
            found.keys.push_back({node.attribute(L"machine").as_bool(), node.attribute(L"key").value(),
                                  node.attribute(L"present").as_bool()});
        } else if (name == L"Value") {
            SavedValue value;
            value.machine = node.attribute(L"machine").as_bool();
            value.key = node.attribute(L"key").value();
            value.name = node.attribute(L"name").value();
            value.present = node.attribute(L"present").as_bool();
            value.type = node.attribute(L"type").as_uint();
            if (!FromHex(node.attribute(L"data").value(), &value.data)) return false;
            found.values.push_back(std::move(value));
        } else if (name == L"Link") {
            found.links.push_back({node.attribute(L"path").value(), node.attribute(L"copy").value()});
        } else if (name == L"Service") {
            found.service.registered = node.attribute(L"registered").as_bool();
            found.service.binary_path = node.attribute(L"binary").value();
            found.service.running = node.attribute(L"running").as_bool();
        }
    }
    *journal = std::move(found);
    return true;
}

bool SetJournalPointer(const std::wstring& product_key, const std::wstring& journal_path) {
    const win::UniqueRegKey key =
        win::CreateRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(product_key), KEY_READ | KEY_WRITE | kView);
    return key && win::SetRegString(key.get(), kPointerValue, journal_path) && ::RegFlushKey(key.get()) == ERROR_SUCCESS;
}

std::wstring ReadJournalPointer(const std::wstring& product_key) {
    std::wstring path;
    const win::UniqueRegKey key = win::OpenRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(product_key), KEY_READ | kView);
    if (key) win::QueryRegString(key.get(), kPointerValue, kPointerChars, &path);
    return path;
}

bool ClearJournalPointer(const std::wstring& product_key) {
    const win::UniqueRegKey key =
        win::OpenRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(product_key), KEY_READ | KEY_WRITE | kView);
    if (!key) return true;
    const LONG rc = ::RegDeleteValueW(key.get(), kPointerValue);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    return ::RegFlushKey(key.get()) == ERROR_SUCCESS;
}

}  // namespace engine
