#include "quenlo_dlg.h"

#include "about_dlg.h"
#include "app_message_box.h"
#include "device_list_model.h"
#include "resource.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

CQuenloDlg::CQuenloDlg(QWidget* parent)
    : CTemplateDialog(IDD_MAIN, parent),
      model_(new DeviceListModel(this)),
      // The wake carries no data: the update itself crosses under the bridge's own lock.
      bridge_([this] {
          QMetaObject::invokeMethod(this, &CQuenloDlg::OnListUpdate, Qt::QueuedConnection);
      })
{
    OnInitDialog();
}

CQuenloDlg::~CQuenloDlg()
{
    EndSearchForGood();
}

QTableView* CQuenloDlg::DeviceList() const
{
    return ControlAs<QTableView>(IDC_DEVICE_LIST);
}

void CQuenloDlg::OnInitDialog()
{
    connect(ControlAs<QPushButton>(IDC_SEARCH), &QPushButton::clicked, this,
            &CQuenloDlg::OnBnClickedSearch);
    connect(ControlAs<QPushButton>(IDC_STOP), &QPushButton::clicked, this,
            &CQuenloDlg::OnBnClickedStop);

#ifdef _WIN32
    const QString about = LoadResourceString(IDS_ABOUTBOX);
    HMENU systemMenu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (systemMenu && !about.isEmpty()) {
        ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX,
                      reinterpret_cast<const wchar_t*>(about.utf16()));
    }
#endif
    InitDeviceList();
}

void CQuenloDlg::InitDeviceList()
{
    QTableView* list = DeviceList();
    list->setModel(model_);
    connect(list, &QTableView::customContextMenuRequested, this, &CQuenloDlg::OnNMRclickList);
    connect(list, &QTableView::doubleClicked, this, &CQuenloDlg::OnNMDblclkList);

    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->setWordWrap(false);
    list->setTabKeyNavigation(false);
    list->setCornerButtonEnabled(false);
    list->verticalHeader()->hide();
    // Rows as tight as a report list's: one line of text with a little air.
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->horizontalHeader()->setHighlightSections(false);
    list->horizontalHeader()->setStretchLastSection(false);
    // The row menu belongs to the rows; a right click there never reaches the window's menu.
    list->setContextMenuPolicy(Qt::CustomContextMenu);

    // The selection stays as visible when the list loses the focus.
    QPalette palette = list->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    list->setPalette(palette);

    SizeDeviceColumns(list);
}

void SizeDeviceColumns(QTableView* list)
{
    const int columnWidth = list->width() / COL_COUNT;
    for (int column = 0; column < COL_COUNT; ++column)
        list->setColumnWidth(column, columnWidth);
}

void CQuenloDlg::OnListUpdate()
{
    ListUpdate update = bridge_.TakeUpdate();
    const bool portUnavailable = update.replyPortUnavailable;
    const bool ended = update.searchEnded;
    model_->Apply(std::move(update));
    if (portUnavailable) {
        // Shown after the rows are in, from a call of its own: the search goes on while the
        // operator reads it, and its rows keep coming.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!closing_)
                    AppMessageBox(this, LoadResourceString(IDS_PORT_BUSY), QMessageBox::Warning);
            },
            Qt::QueuedConnection);
    }
    if (ended)
        emit searchEnded();
}

void CQuenloDlg::OnBnClickedSearch()
{
    if (!closing_)
        worker_.Search();
}

void CQuenloDlg::OnBnClickedStop()
{
    worker_.Stop();
}

void CQuenloDlg::OnSysCommand(unsigned commandId)
{
    if ((commandId & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CQuenloDlg::contextMenuEvent(QContextMenuEvent* event)
{
#ifdef _WIN32
    CTemplateDialog::contextMenuEvent(event);
#else
    // The window manager's menu is out of reach here, so the About command lives in the
    // window's own context menu.
    const QString about = LoadResourceString(IDS_ABOUTBOX);
    if (about.isEmpty())
        return;
    QMenu menu(this);
    QAction* aboutAction = menu.addAction(about);
    if (menu.exec(event->globalPos()) == aboutAction)
        OnSysCommand(IDM_ABOUTBOX);
#endif
}

#ifdef _WIN32
bool CQuenloDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnSysCommand(static_cast<unsigned>(msg->wParam));
        *result = 0;
        return true;
    }
    return CTemplateDialog::nativeEvent(eventType, message, result);
}
#endif

void CQuenloDlg::done(int result)
{
    EndSearchForGood();
    CTemplateDialog::done(result);
}

void CQuenloDlg::EndSearchForGood()
{
    closing_ = true;
    bridge_.Detach();
    worker_.Stop();
    // The worker never waits for this thread, so joining it cannot deadlock.
    worker_.Join();
}
