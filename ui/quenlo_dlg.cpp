#include "quenlo_dlg.h"

#include "about_dlg.h"
#include "app_message_box.h"
#include "resource.h"

#include <QContextMenuEvent>
#include <QEventLoop>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char* const COLUMN_HEADINGS[COL_COUNT] = {"chn", "version", "IP", "port", "gateway", "mac"};

// How often the closing window looks whether the worker has ended.
constexpr int WORKER_END_POLL_MS = 2;

} // namespace

CQuenloDlg::CQuenloDlg(QWidget* parent)
    : CTemplateDialog(IDD_MAIN, parent)
{
    OnInitDialog();
}

CQuenloDlg::~CQuenloDlg()
{
    EndSearchForGood();
}

QTableWidget* CQuenloDlg::DeviceList() const
{
    return ControlAs<QTableWidget>(IDC_DEVICE_LIST);
}

void CQuenloDlg::OnInitDialog()
{
    connect(ControlAs<QPushButton>(IDC_SEARCH), &QPushButton::clicked, this,
            &CQuenloDlg::OnBnClickedSearch);
    connect(ControlAs<QPushButton>(IDC_STOP), &QPushButton::clicked, this,
            &CQuenloDlg::OnBnClickedStop);
    connect(DeviceList(), &QTableWidget::customContextMenuRequested, this,
            &CQuenloDlg::OnNMRclickList);
    connect(DeviceList(), &QTableWidget::doubleClicked, this, &CQuenloDlg::OnNMDblclkList);

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
    QTableWidget* list = DeviceList();
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

    list->setRowCount(0);
    InsertDeviceColumns(list);
    list->setUpdatesEnabled(true);
}

void InsertDeviceColumns(QTableWidget* list)
{
    const int columnWidth = list->width() / COL_COUNT;
    list->setColumnCount(COL_COUNT);
    for (int column = 0; column < COL_COUNT; ++column) {
        list->setHorizontalHeaderItem(column,
                                      new QTableWidgetItem(QLatin1String(COLUMN_HEADINGS[column])));
        list->setColumnWidth(column, columnWidth);
    }
}

template <class Operation>
void CQuenloDlg::OnWindowThread(Operation operation)
{
    if (closing_)
        return;
    auto guarded = [this, &operation] {
        if (!closing_)
            operation();
    };
    if (QThread::currentThread() == thread())
        guarded();
    else
        QMetaObject::invokeMethod(this, guarded, Qt::BlockingQueuedConnection);
}

void CQuenloDlg::DeleteAllRows()
{
    OnWindowThread([this] { DeviceList()->setRowCount(0); });
}

int CQuenloDlg::AppendRow()
{
    int row = -1;
    OnWindowThread([this, &row] {
        QTableWidget* list = DeviceList();
        row = list->rowCount();
        list->insertRow(row);
        fillingRow_ = list->model()->index(row, 0);
        fillingRowIndex_ = row;
    });
    return row;
}

void CQuenloDlg::SetCellText(int row, int column, const std::u16string& text)
{
    OnWindowThread([this, row, column, &text] {
        // The operator may have deleted the row, or rows above it, since it was appended.
        int target = row;
        if (row == fillingRowIndex_) {
            if (!fillingRow_.isValid())
                return;
            target = fillingRow_.row();
        }
        WriteCell(target, column, QString::fromStdU16String(text));
    });
}

void CQuenloDlg::WriteCell(int row, int column, const QString& text)
{
    QTableWidget* list = DeviceList();
    if (row < 0 || row >= list->rowCount())
        return;
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    list->setItem(row, column, item);
}

void CQuenloDlg::TurnRedrawOn()
{
    OnWindowThread([this] { DeviceList()->setUpdatesEnabled(true); });
}

void CQuenloDlg::OnReplyPortUnavailable()
{
    // Queued, not waited for: the search goes on while the operator reads the message.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!closing_)
                AppMessageBox(this, LoadResourceString(IDS_PORT_BUSY), QMessageBox::Warning);
        },
        Qt::QueuedConnection);
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
    worker_.Stop();
    if (worker_.IsBusy()) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
            if (!worker_.IsBusy())
                loop.quit();
        });
        poll.start(WORKER_END_POLL_MS);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    worker_.Join();
}
