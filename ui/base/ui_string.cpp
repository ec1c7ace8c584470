#include "ui/base/ui_string.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace Ulmar {

CUiString::CUiString(const wchar_t* text) {
    if (text) text_ = text;
}

CUiString::CUiString(const wchar_t* text, int length) {
    if (!text) return;
    if (length < 0)
        text_ = text;
    else
        text_.assign(text, wcsnlen(text, static_cast<size_t>(length)));
}

CUiString::CUiString(wchar_t ch) : text_(1, ch) {}

wchar_t CUiString::GetAt(int index) const {
    return index >= 0 && index < GetLength() ? text_[static_cast<size_t>(index)] : L'\0';
}

void CUiString::SetAt(int index, wchar_t ch) {
    if (index >= 0 && index < GetLength()) text_[static_cast<size_t>(index)] = ch;
}

void CUiString::Append(const wchar_t* text) {
    if (text) text_ += text;
}

void CUiString::Assign(const wchar_t* text, int length) {
    *this = CUiString(text, length);
}

CUiString& CUiString::operator=(const wchar_t* text) {
    if (!text)
        text_.clear();
    else if (text != text_.c_str())
        text_ = text;
    return *this;
}

CUiString& CUiString::operator=(wchar_t ch) {
    text_.assign(1, ch);
    return *this;
}

CUiString& CUiString::operator+=(const CUiString& other) {
    text_ += other.text_;
    return *this;
}

CUiString& CUiString::operator+=(const wchar_t* text) {
    Append(text);
    return *this;
}

CUiString& CUiString::operator+=(wchar_t ch) {
    text_ += ch;
    return *this;
}

int CUiString::Compare(const wchar_t* text) const {
    return wcscmp(text_.c_str(), text ? text : L"");
}

int CUiString::CompareNoCase(const wchar_t* text) const {
    return lstrcmpiW(text_.c_str(), text ? text : L"");
}

void CUiString::MakeUpper() {
    if (!text_.empty()) CharUpperBuffW(&text_[0], static_cast<DWORD>(text_.size()));
}

void CUiString::MakeLower() {
    if (!text_.empty()) CharLowerBuffW(&text_[0], static_cast<DWORD>(text_.size()));
}

CUiString CUiString::Left(int length) const {
    if (length < 0) length = 0;
    return CUiString(text_.substr(0, static_cast<size_t>(length)));
}

CUiString CUiString::Mid(int pos, int length) const {
    if (pos < 0) pos = 0;
    if (pos >= GetLength()) return CUiString();
    const size_t count = length < 0 ? std::wstring::npos : static_cast<size_t>(length);
    return CUiString(text_.substr(static_cast<size_t>(pos), count));
}

CUiString CUiString::Right(int length) const {
    if (length < 0) length = 0;
    if (length > GetLength()) length = GetLength();
    return CUiString(text_.substr(text_.size() - static_cast<size_t>(length)));
}

int CUiString::Find(wchar_t ch, int pos) const {
    if (pos < 0 || pos > GetLength()) return -1;
    const size_t at = text_.find(ch, static_cast<size_t>(pos));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CUiString::Find(const wchar_t* text, int pos) const {
    if (!text || pos < 0 || pos > GetLength()) return -1;
    const size_t at = text_.find(text, static_cast<size_t>(pos));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CUiString::ReverseFind(wchar_t ch) const {
    const size_t at = text_.rfind(ch);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CUiString::Replace(const wchar_t* from, const wchar_t* to) {
    if (!from || !*from) return 0;
    const std::wstring needle(from), with(to ? to : L"");
    int count = 0;
    for (size_t at = text_.find(needle); at != std::wstring::npos; at = text_.find(needle, at + with.size())) {
        text_.replace(at, needle.size(), with);
        ++count;
    }
    return count;
}

int CUiString::Format(const wchar_t* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    const int length = FormatV(pattern, args);
    va_end(args);
    return length;
}

int CUiString::FormatV(const wchar_t* pattern, va_list args) {
    // Formatted apart and swapped in: an argument may point into this string.
    std::wstring result;
    if (pattern) {
        // The CRT's own wide formatter: "%s" is a wide string there, as callers expect.
        va_list measure;
        va_copy(measure, args);
        const int length = _vscwprintf(pattern, measure);
        va_end(measure);
        if (length > 0) {
            result.resize(static_cast<size_t>(length) + 1);
            const int written = _vsnwprintf(&result[0], result.size(), pattern, args);
            result.resize(written < 0 ? 0 : static_cast<size_t>(written));
        }
    }
    text_.swap(result);
    return GetLength();
}

CUiString operator+(const CUiString& left, const CUiString& right) {
    return CUiString(left.str() + right.str());
}

CUiString operator+(const CUiString& left, const wchar_t* right) {
    CUiString result(left);
    result += right;
    return result;
}

CUiString operator+(const wchar_t* left, const CUiString& right) {
    CUiString result(left);
    result += right;
    return result;
}

}  // namespace Ulmar
