#pragma once
// Where skin files and images come from, process-wide: a folder, a zip archive
// file, or a zip archive held in memory. CPaintManagerUI's static resource
// setters and getters forward here; the markup parser and the image loader read
// through ReadSkinFile, so both see one rule.
#include <windows.h>

#include <string>
#include <vector>

namespace Ulmar {

class CSkinArchive;

namespace ResourceLocation {

void SetInstance(HINSTANCE instance);
HINSTANCE GetInstance();
std::wstring GetInstancePath();  // module folder, with its trailing "\"
void SetResourceInstance(HINSTANCE instance);
HINSTANCE GetResourceDll();      // resource instance, else module instance

void SetResourcePath(const wchar_t* path);  // appends "\" unless it ends in "\" or "/"
const std::wstring& GetResourcePath();

// Archive file relative to the resource path. Nothing happens when name and
// cached flag equal the current ones; a cached archive is opened at once.
void SetResourceZip(const wchar_t* name, bool cached = true, const wchar_t* password = nullptr);
// Archive bytes (copied); the name becomes "membuffer". Only while the name is
// not "membuffer" yet.
void SetResourceZip(const void* bytes, size_t size, const wchar_t* password = nullptr);
const std::wstring& GetResourceZip();
const std::wstring& GetResourceZipPassword();
bool IsCachedResourceZip();
CSkinArchive* GetResourceZipHandle();  // the cached archive, or null
// True while skin files come from a zip archive (file or memory): then nothing
// is read from outside it.
bool IsArchiveSkin();

void SetResourceType(int type);  // 1 files, 2 zip file, 3 module resources, 4 zip in a resource
int GetResourceType();

// Reads one skin file by its name: from the cached archive, from an archive
// opened for this call, or from resource path + name. On failure returns false
// and sets `error` to the message the markup parser reports ("Error opening
// file", "File is empty", "File too large", "Could not read file", "Error opening
// zip file", "Could not find ziped file", "Could not unzip file").
// maxSize: files larger than this fail with "File too large" (0 = no limit).
bool ReadSkinFile(const wchar_t* name, std::vector<unsigned char>& bytes, const wchar_t*& error,
                  size_t maxSize = 0);

// Releases the cached archive and the archive buffer (process end).
void Release();

}  // namespace ResourceLocation
}  // namespace Ulmar
