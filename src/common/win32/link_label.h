#pragma once
// A label that opens something when clicked.
#include <windows.h>

#include <functional>

#include "common/win32/controls.h"
#include "common/win32/unique.h"

// A label that reads as a link: blue, underlined, clickable.
class LinkLabel : public Label {
public:
    bool Create(Window& parent, const CreateArgs& args);
    void SetFont(HFONT font) override;
    void OnCommand(WORD code) override;
    std::function<void()> onClick;

private:
    UniqueGdiObject underlined_;
};
