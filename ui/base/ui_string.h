#pragma once
// CUiString: the framework's UTF-16 string. Value semantics, a thin layer over
// std::wstring with the operations controls and skins use, and printf-style
// formatting with "%s" taking a wide string.
#include <cstdarg>
#include <string>

namespace Ulmar {

class CUiString {
public:
    CUiString() = default;
    CUiString(const wchar_t* text);  // null reads as empty
    CUiString(const wchar_t* text, int length);  // length < 0: up to the terminator
    CUiString(wchar_t ch);
    CUiString(std::wstring text) : text_(std::move(text)) {}

    // Reading
    int GetLength() const { return static_cast<int>(text_.size()); }
    bool IsEmpty() const { return text_.empty(); }
    wchar_t GetAt(int index) const;  // 0 outside the string
    const wchar_t* GetData() const { return text_.c_str(); }
    operator const wchar_t*() const { return text_.c_str(); }
    const std::wstring& str() const { return text_; }

    // Changing
    void Empty() { text_.clear(); }
    void SetAt(int index, wchar_t ch);  // ignored outside the string
    void Append(const wchar_t* text);
    void Assign(const wchar_t* text, int length = -1);

    CUiString& operator=(const wchar_t* text);
    CUiString& operator=(wchar_t ch);
    CUiString& operator+=(const CUiString& other);
    CUiString& operator+=(const wchar_t* text);
    CUiString& operator+=(wchar_t ch);

    // Comparing: exact, or ignoring case as the system compares (lstrcmpiW rules).
    int Compare(const wchar_t* text) const;
    int CompareNoCase(const wchar_t* text) const;
    bool operator==(const wchar_t* text) const { return Compare(text) == 0; }
    bool operator!=(const wchar_t* text) const { return Compare(text) != 0; }
    bool operator<(const wchar_t* text) const { return Compare(text) < 0; }
    bool operator==(const CUiString& other) const { return text_ == other.text_; }
    bool operator!=(const CUiString& other) const { return text_ != other.text_; }

    void MakeUpper();
    void MakeLower();

    // Pieces; positions are clamped into the string.
    CUiString Left(int length) const;
    CUiString Mid(int pos, int length = -1) const;
    CUiString Right(int length) const;

    int Find(wchar_t ch, int pos = 0) const;             // -1 when absent
    int Find(const wchar_t* text, int pos = 0) const;    // -1 when absent
    int ReverseFind(wchar_t ch) const;                   // -1 when absent
    int Replace(const wchar_t* from, const wchar_t* to); // returns the count replaced

    // printf-style formatting; "%s" takes const wchar_t*. Returns the new length.
    int Format(const wchar_t* pattern, ...);
    int FormatV(const wchar_t* pattern, va_list args);

private:
    std::wstring text_;
};

CUiString operator+(const CUiString& left, const CUiString& right);
CUiString operator+(const CUiString& left, const wchar_t* right);
CUiString operator+(const wchar_t* left, const CUiString& right);

}  // namespace Ulmar
