#include "shell/about_dlg.h"

#include "common/picture.h"
#include "common/product.h"
#include "common/win32/files.h"
#include "common/win32/shell.h"
#include "common/win32/wide.h"
#include "net/maker_server.h"

namespace {

// Writes the product name on the banner picture.
HBITMAP BannerBitmap(int width, int height, int dpi_font_height) {
    HBITMAP bitmap = PictureToBitmap(DrawAboutBanner(width, height));
    if (!bitmap) return nullptr;
    const UniqueDC memory(CreateCompatibleDC(nullptr));
    HDC dc = memory.get();
    SelectGuard select_bitmap(dc, bitmap);
    LOGFONTW lf{};
    lf.lfHeight = -dpi_font_height;
    lf.lfWeight = FW_BOLD;
    lf.lfQuality = ANTIALIASED_QUALITY;
    wcscpy_s(lf.lfFaceName, L"Microsoft Sans Serif");
    UniqueGdiObject font(CreateFontIndirectW(&lf));
    {
        SelectGuard select(dc, font.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT r{height, 0, width, height};
        DrawTextW(dc, Widen(kProductName).c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
    return bitmap;
}

}  // namespace

TAboutDlg::TAboutDlg(HWND owner, std::string exeName)
    : TS_about({"About", "Application Name :", "Version :", "Email", "Web Site", "Forums"}),
      owner_(owner),
      exeName_(std::move(exeName)) {
    CreateDialogFrame({.caption = "", .owner = owner, .client_width = 389, .client_height = 285});
    Image1.Create(*this, {.rect = {0, 0, 388, 96}});
    Image1.SetBitmap([](const Window& w) { return BannerBitmap(w.Scale(388), w.Scale(96), w.Scale(28)); });
    all_grp.Create(*this, {.rect = {1, 97, 384, 184}});
    // Group boxes are siblings here: children stand at the box's position plus their own.
    Application_grp.Create(*this, {.caption = "Application", .rect = {1 + 5, 97 + 12, 249, 53}});
    appname_lbl.Create(*this, {.rect = {1 + 5 + 8, 97 + 12 + 16, 235, 14}});
    version_lbl.Create(*this, {.rect = {1 + 5 + 8, 97 + 12 + 32, 235, 14}});
    quintavo_grp.Create(*this, {.caption = std::string(kMakerName), .rect = {1 + 260, 97 + 12, 113, 117}});
    email_btn.Create(*this, {.caption = "Email", .rect = {1 + 260 + 8, 97 + 12 + 16, 97, 28}});
    web_btn.Create(*this, {.caption = "Web Site", .rect = {1 + 260 + 8, 97 + 12 + 48, 97, 28}});
    forum_btn.Create(*this, {.caption = "Forums", .rect = {1 + 260 + 8, 97 + 12 + 80, 97, 28}});
    ok_btn.Create(*this, {.caption = "Ok", .rect = {1 + 274, 97 + 139, 81, 33}, .id = IDOK, .is_default = true});
    email_btn.onClick = [this] { email_btnClick(); };
    web_btn.onClick = [this] { web_btnClick(); };
    forum_btn.onClick = [this] { forum_btnClick(); };
    ok_btn.onClick = [this] { EndModal(IDOK); };
    TS_about.Loaded();
}

void TAboutDlg::RefreshTexts() {
    SetText(TS_about.Lookup("About") + " " + kProductName);
    appname_lbl.SetText(TS_about.Lookup("Application Name :") + " " + kProductName);
    version_lbl.SetText(TS_about.Lookup("Version :") + " " + FileVersionText(exeName_));
}

void TAboutDlg::Execute() {
    RefreshTexts();
    ShowModal(owner_);
}

void TAboutDlg::email_btnClick() {
    OpenWebPage(hwnd_, std::string("mailto:") + VELLUMAR_MAKER_MAIL);
}

void TAboutDlg::web_btnClick() { OpenWebPage(hwnd_, MakerAddress("https", "/")); }

void TAboutDlg::forum_btnClick() {
    OpenWebPage(hwnd_, MakerAddress("https", "/forum"));
}
