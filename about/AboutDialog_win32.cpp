#include "about/AboutDialog.h"

#include "about/VersionInfo.h"
#include "resources/resource.h"

namespace {

constexpr uint32_t kUnicodeCodePage = 1200;  // UTF-16, as the version resource is written
constexpr uint16_t kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Only a plain click of OK (wParam exactly IDOK) closes the box; Esc and the
// close box do not.
const MessageMapEntry<AboutDialog> kMessageMap[] = {
    OnInitDialog(&AboutDialog::OnInitDialog),
    OnCommandCode<AboutDialog>(IDOK, BN_CLICKED, &AboutDialog::EndWithCommand),
};

}  // namespace

bool AboutDialog::RouteMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    return RouteThroughMap(*this, kMessageMap, message, wParam, lParam, result);
}

INT_PTR AboutDialog::OnInitDialog(WPARAM, LPARAM) {
    // Read afresh at every opening.
    VersionInfoRecord record;
    VersionInfoReader reader(system_, kUnicodeCodePage, kEnglishUs);
    reader.Read(record, nullptr);
    const std::string text = ReplaceCommaSpace(system_, record.ProductVersion);
    SetWindowTextA(GetDlgItem(Window(), IDC_VERSION_TEXT), text.c_str());
    return FALSE;
}
