#pragma once
// CControlFactory: the process-wide table from class name ("CButtonUI") to a
// function that makes a new control of that class. Names are looked up
// without regard to case.
#include <map>
#include <string>

namespace Ulmar {

class CControlUI;

using CreateClass = CControlUI* (*)();

class CControlFactory {
public:
    // Made on first use; lives until the process ends.
    static CControlFactory* GetInstance();

    // Null when the name is not registered (or the control cannot be allocated).
    CControlUI* CreateControl(const wchar_t* className) const;
    // Adds an entry under the lower-cased name; an existing entry is kept.
    void RegistControl(const wchar_t* className, CreateClass creator);
    bool IsRegistered(const wchar_t* className) const;

private:
    CControlFactory();
    std::map<std::wstring, CreateClass> creators_;
};

}  // namespace Ulmar
