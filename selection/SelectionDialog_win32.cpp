#include "selection/SelectionDialog.h"

#include "about/AboutDialog.h"
#include "catalogue/Discovery.h"
#include "resources/resource.h"
#include "selection/Centre.h"
#include "selection/InstallCommand.h"

namespace {

// The check boxes are the list's state images: 1 is the empty box, 2 the
// checked one.
constexpr UINT kUncheckedImage = 1;
constexpr UINT kCheckedState = INDEXTOSTATEIMAGEMASK(2);

// The state image's index in an item state: INDEXTOSTATEIMAGEMASK undone.
UINT StateImageIndex(UINT state) {
    return (state & LVIS_STATEIMAGEMASK) / INDEXTOSTATEIMAGEMASK(1);
}

const MessageMapEntry<SelectionDialog> kMessageMap[] = {
    OnInitDialog(&SelectionDialog::OnInitDialog),
    OnCommand(ID_APP_ABOUT, &SelectionDialog::OnAbout),
    OnCommand(IDOK, &SelectionDialog::OnInstall),
    OnCommand<SelectionDialog>(IDCANCEL, &SelectionDialog::EndWithCommand),
    OnNotify(IDC_COMPONENT_LIST, LVN_ITEMCHANGED, &SelectionDialog::UpdateInstallButton),
};

// Discovery's row operations, as list-view messages.
class ListViewRows final : public ComponentRowSink {
public:
    explicit ListViewRows(HWND listView) : listView_(listView) {}

    bool InsertRow(int index, const std::string& text) override {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = const_cast<char*>(text.c_str());
        return SendMessageA(listView_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) ==
               index;
    }
    void SetRowChecked(int index) override {
        LVITEMA item = {};
        item.state = kCheckedState;
        item.stateMask = LVIS_STATEIMAGEMASK;
        SendMessageA(listView_, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item));
    }
    int MeasureTextWidth(const std::string& text) override {
        return static_cast<int>(
            SendMessageA(listView_, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }

private:
    HWND listView_;
};

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The program's icon in the size the two metrics give.
HICON LoadProgramIcon(HINSTANCE module, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_APPLICATION_ICON), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

}  // namespace

bool SelectionDialog::RouteMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam,
                                   INT_PTR& result) {
    return RouteThroughMap(*this, kMessageMap, message, wParam, lParam, result);
}

void SelectionDialog::CentreDialog() {
    HWND window = Window();
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner) {
        const LONG style = GetWindowLongA(owner, GWL_STYLE);
        if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE)) owner = nullptr;
    }
    RECT area = {}, centre = {}, dialog = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    if (owner) GetWindowRect(owner, &centre);
    GetWindowRect(window, &dialog);
    const Rect ownerRect = ToRect(centre);
    const Point at = CentredPosition(ToRect(dialog), owner ? &ownerRect : nullptr, ToRect(area));
    SetWindowPos(window, nullptr, static_cast<int>(at.x), static_cast<int>(at.y), -1, -1,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR SelectionDialog::OnInitDialog(WPARAM, LPARAM) {
    HWND window = Window();
    CentreDialog();

    HINSTANCE module = g_shell.ResourceModule();
    bigIcon_.Reset(LoadProgramIcon(module, SM_CXICON, SM_CYICON));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    smallIcon_.Reset(LoadProgramIcon(module, SM_CXSMICON, SM_CYSMICON));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));

    listView_ = GetDlgItem(window, IDC_COMPONENT_LIST);
    installButton_ = GetDlgItem(window, IDOK);

    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = 150;  // a first width only: set from the widest row once the rows are in
    column.pszText = const_cast<char*>("");
    SendMessageA(listView_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    // Before any row exists, so that every row gets a check box.
    SendMessageA(listView_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);

    ListViewRows rows(listView_);
    // Thousands of rows go in one by one; the list repaints once at the end.
    SendMessageA(listView_, WM_SETREDRAW, FALSE, 0);
    const int widest = DiscoverComponents(system_, rows, catalogue_);
    SendMessageA(listView_, WM_SETREDRAW, TRUE, 0);
    // 25 pixels beside the widest text for the check box and the cell's
    // margins, so that no row is cut short.
    SendMessageA(listView_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM((widest + 25) & 0xFFFF, 0));

    if (RowCount() > 0) EnableWindow(installButton_, TRUE);
    return TRUE;
}

int SelectionDialog::RowCount() const {
    return static_cast<int>(SendMessageA(listView_, LVM_GETITEMCOUNT, 0, 0));
}

bool SelectionDialog::IsRowChecked(int row) const {
    const UINT state = static_cast<UINT>(SendMessageA(listView_, LVM_GETITEMSTATE,
                                                      static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    return StateImageIndex(state) != kUncheckedImage;
}

INT_PTR SelectionDialog::UpdateInstallButton(int, NMHDR* header) {
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (!(change->uChanged & LVIF_STATE) || (change->uNewState & LVIS_STATEIMAGEMASK) == 0)
        return 0;
    const int count = RowCount();
    bool anyChecked = false;
    for (int row = 0; row < count && !anyChecked; ++row) anyChecked = IsRowChecked(row);
    EnableWindow(installButton_, anyChecked ? TRUE : FALSE);
    return 0;
}

INT_PTR SelectionDialog::OnAbout(WORD, WORD, HWND) {
    AboutDialog about(system_);
    RunAsModal(about, IDD_ABOUT, GetActiveWindow());
    return 0;
}

INT_PTR SelectionDialog::OnInstall(WORD, WORD id, HWND) {
    SystemHandoffs handoffs(system_);
    InstallCheckedComponents(system_, handoffs, Window(), catalogue_, RowCount(),
                             [this](int row) { return IsRowChecked(row); });
    // IDOK (1) whether or not it succeeded: the final message has told the
    // user which, and a script that runs setup is promised 1 after Install.
    EndDialog(Window(), id);
    return 0;
}
