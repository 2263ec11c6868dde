#pragma once
// What a control tells assistive tools (screen readers, magnifiers, test tools)
// through WM_GETOBJECT: its name and value, and for a control that draws itself,
// the parts it shows, each with a name, a value and a place. Whatever a source does
// not say comes from the system's own object for the window.
#include <windows.h>
#include <oleacc.h>

#include <optional>
#include <string>
#include <vector>

struct AccessiblePart {
    std::string name, value;
    RECT rect{};  // in client coordinates
};

class AccessibleSource {
public:
    // None: what the system says for a window of its class.
    virtual std::optional<std::string> AccessibleName() const { return std::nullopt; }
    virtual std::optional<std::string> AccessibleValue() const { return std::nullopt; }
    virtual std::optional<long> AccessibleRole() const { return std::nullopt; }
    // The parts, in the order the arrow keys walk them; none for a control without parts.
    virtual std::vector<AccessiblePart> AccessibleParts() const { return {}; }
    virtual long PartRole() const { return ROLE_SYSTEM_LISTITEM; }
    virtual std::optional<size_t> FocusedPart() const { return std::nullopt; }
    // A part's default action: its details. False when there is none.
    virtual bool OpenPart(size_t /*part*/) { return false; }

protected:
    ~AccessibleSource() = default;
};

class AccessibleObject;

// One window's object over its source: made at the first WM_GETOBJECT, cut off from the
// source when the window goes (a tool that still holds it then hears "disconnected").
class AccessibleBridge {
public:
    AccessibleBridge() = default;
    AccessibleBridge(const AccessibleBridge&) = delete;
    AccessibleBridge& operator=(const AccessibleBridge&) = delete;
    ~AccessibleBridge();
    // WM_GETOBJECT: the answer for the client area; none for the other objects.
    std::optional<LRESULT> Answer(HWND hwnd, WPARAM wp, LPARAM lp, AccessibleSource& source);

private:
    AccessibleObject* object_ = nullptr;
};
