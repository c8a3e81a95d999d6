#include "quenlo_dlg.h"

#include "about_dlg.h"
#include "app_message_box.h"
#include "column_fit.h"
#include "device_list_model.h"
#include "resource.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTableView>

#include <algorithm>
#include <utility>

CQuenloDlg::CQuenloDlg(QWidget* parent)
    : CTemplateDialog(IDD_MAIN, parent),
      model_(new DeviceListModel(this)),
      // The wake carries no data: the update itself crosses under the bridge's own lock.
      search_([this] {
          QMetaObject::invokeMethod(this, &CQuenloDlg::OnListUpdate, Qt::QueuedConnection);
      })
{
    OnInitDialog();
}

CQuenloDlg::~CQuenloDlg() = default;

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
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    refresh->setContext(Qt::WindowShortcut);
    connect(refresh, &QShortcut::activated, this, &CQuenloDlg::OnRefresh);

    InitDeviceList();
    UpdateStatus();
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
    // The row menu belongs to the rows; a right click there never reaches the window's menu.
    list->setContextMenuPolicy(Qt::CustomContextMenu);

    QHeaderView* header = list->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this, &CQuenloDlg::OnColumnClick);
    connect(header, &QHeaderView::sectionResized, this, [this] {
        if (!fittingColumns_)
            columnsSetByOperator_ = true;
    });
    // The headings offer the window's menu, as the window's background does.
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this,
            [this, header](const QPoint& position) { ShowWindowMenu(header->mapToGlobal(position)); });

    // The selection stays as visible when the list loses the focus.
    QPalette palette = list->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    list->setPalette(palette);

    // Ctrl+C copies the selected rows; the viewport's size decides the columns' widths.
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    // Rows from the worker are fitted once per update they came in (OnListUpdate); a sorted list
    // inserts them one by one.
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &CQuenloDlg::RefitColumns);
    connect(model_, &QAbstractItemModel::dataChanged, this, &CQuenloDlg::RefitColumns);
    RefitColumns();
}

void FitDeviceColumns(QTableView* list)
{
    const QAbstractItemModel* model = list->model();
    const QFontMetrics metrics = list->fontMetrics();
    const QStyle* style = list->style();
    // The item delegate's margins around a text, the grid line, and room for the IP cell's mark.
    const int margins = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1)
                        + (list->showGrid() ? 1 : 0) + 2;
    const int mark = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, list) + 4;
    ColumnWidths needed{};
    for (int column = 0; column < COL_COUNT; ++column)
        needed[static_cast<std::size_t>(column)] = list->horizontalHeader()->sectionSizeHint(column);
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < COL_COUNT; ++column) {
            const QModelIndex cell = model->index(row, column);
            int width = metrics.horizontalAdvance(cell.data().toString()) + margins;
            if (!cell.data(Qt::DecorationRole).isNull())
                width += mark;
            int& most = needed[static_cast<std::size_t>(column)];
            most = std::max(most, width);
        }
    }
    const ColumnWidths widths = FitColumns(list->viewport()->width(), needed);
    for (int column = 0; column < COL_COUNT; ++column)
        list->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
}

void CQuenloDlg::RefitColumns()
{
    if (columnsSetByOperator_)
        return;
    fittingColumns_ = true;
    FitDeviceColumns(DeviceList());
    fittingColumns_ = false;
}

bool CQuenloDlg::eventFilter(QObject* watched, QEvent* event)
{
    QTableView* list = DeviceList();
    if (watched == list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        OnRowCopy();
        return true;
    }
    if (watched == list->viewport() && event->type() == QEvent::Resize)
        RefitColumns();
    return CTemplateDialog::eventFilter(watched, event);
}

void CQuenloDlg::UpdateStatus()
{
    const QString state =
        LoadResourceString(search_.Worker().IsSearching() ? IDS_STATUS_SEARCHING : IDS_STATUS_STOPPED);
    ControlAs<QLabel>(IDC_STATUS)->setText(
        state + QStringLiteral("    ")
        + LoadResourceString(IDS_STATUS_COUNT).arg(model_->rowCount()));
}

void CQuenloDlg::OnColumnClick(int column)
{
    const RowOrder order = NextOrder(model_->Order(), column);
    model_->SetOrder(order);
    QHeaderView* header = DeviceList()->horizontalHeader();
    header->setSortIndicatorShown(order.Sorted());
    if (order.Sorted())
        header->setSortIndicator(column, order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CQuenloDlg::OnListUpdate()
{
    ListUpdate update = search_.Bridge().TakeUpdate();
    const bool portUnavailable = update.replyPortUnavailable;
    const bool ended = update.searchEnded;
    if (update.cleared) {
        // A new search: first-heard order, and columns fitted to it.
        DeviceList()->horizontalHeader()->setSortIndicatorShown(false);
        columnsSetByOperator_ = false;
    }
    model_->Apply(std::move(update));
    RefitColumns();
    UpdateStatus();
    if (portUnavailable) {
        // Shown after the rows are in, from a call of its own: the search goes on while the
        // operator reads it, and its rows keep coming.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!search_.Ended())
                    AppMessageBox(this, LoadResourceString(IDS_PORT_BUSY), QMessageBox::Warning);
            },
            Qt::QueuedConnection);
    }
    if (ended)
        emit searchEnded();
}

void CQuenloDlg::OnBnClickedSearch()
{
    search_.Search();
    UpdateStatus();
}

void CQuenloDlg::OnBnClickedStop()
{
    search_.Stop();
    UpdateStatus();
}

void CQuenloDlg::OnRefresh()
{
    search_.Refresh();
    UpdateStatus();
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
    ShowWindowMenu(event->globalPos());
}

void CQuenloDlg::ShowWindowMenu(const QPoint& globalPosition)
{
    // The window manager's menu is out of reach here, so the About command lives in the
    // window's own context menu, on its background and on the list's headings.
    const QString about = LoadResourceString(IDS_ABOUTBOX);
    if (about.isEmpty())
        return;
    QMenu menu(this);
    QAction* aboutAction = menu.addAction(about);
    if (menu.exec(globalPosition) == aboutAction)
        OnSysCommand(IDM_ABOUTBOX);
}

void CQuenloDlg::done(int result)
{
    search_.EndForGood();
    CTemplateDialog::done(result);
}
