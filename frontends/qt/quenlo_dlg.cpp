#include "quenlo_dlg.h"

#include "about_dlg.h"
#include "app_message_box.h"
#include "device_list_model.h"
#include "resource.h"
#include "row_menu.h"
#include "window_fit.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTableView>

#include <utility>
#include <vector>

namespace {

std::u16string TableText(int id)
{
    return LoadResourceString(id).toStdU16String();
}

} // namespace

CQuenloDlg::CQuenloDlg(QWidget* parent)
    : CTemplateDialog(IDD_MAIN, parent),
      presenter_(TableText),
      model_(new DeviceListModel(presenter_, this)),
      // The wake carries no data: the update itself crosses under the bridge's own lock.
      search_([this] {
          return QMetaObject::invokeMethod(this, &CQuenloDlg::OnListUpdate, Qt::QueuedConnection);
      }),
      messages_(presenter_, TableText),
      planLoader_([this] {
          return QMetaObject::invokeMethod(this, &CQuenloDlg::OnPlanLoaded, Qt::QueuedConnection);
      })
{
    OnInitDialog();
}

CQuenloDlg::~CQuenloDlg() = default;

QTableView* CQuenloDlg::DeviceList() const
{
    return ControlAs<QTableView>(IDC_DEVICE_LIST);
}

QLineEdit* CQuenloDlg::FilterField() const
{
    return ControlAs<QLineEdit>(IDC_FILTER);
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

    auto* state = ControlAs<QComboBox>(IDC_STATE);
    for (int shown = 0; shown < ROW_STATE_COUNT; ++shown)
        state->addItem(LoadResourceString(RowStateTextId(static_cast<RowState>(shown))));
    connect(state, &QComboBox::currentIndexChanged, this, [this](int chosen) {
        if (chosen >= 0 && chosen < ROW_STATE_COUNT)
            Show(presenter_.ShowState(static_cast<RowState>(chosen)));
    });

    QLineEdit* filter = FilterField();
    filter->setClearButtonEnabled(true);
    connect(filter, &QLineEdit::textChanged, this, &CQuenloDlg::OnFilterChanged);
    // Escape clears the filter before it closes the window.
    filter->installEventFilter(this);
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [filter] {
        filter->setFocus(Qt::ShortcutFocusReason);
        filter->selectAll();
    });
    auto* save = new QShortcut(QKeySequence::Save, this);
    save->setContext(Qt::WindowShortcut);
    connect(save, &QShortcut::activated, this, [this] { OnSaveList(false); });
    auto* open = new QShortcut(QKeySequence::Open, this);
    open->setContext(Qt::WindowShortcut);
    connect(open, &QShortcut::activated, this, &CQuenloDlg::OnOpenPlan);
    InitDeviceList();
    UpdateStatus();
    templateSize_ = size();
    for (const int id : {IDC_FILTER, IDC_DEVICE_LIST, IDC_STATUS})
        templateRects_.emplace_back(id, Control(id)->geometry());
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
            presenter_.KeepOperatorsColumnWidths();
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

    // The item delegate's margins around a text, the grid line, and room for the IP cell's mark,
    // which the delegate gives the same margins as a text.
    const QStyle* style = list->style();
    ColumnMetrics metrics;
    metrics.textWidth = [metrics = list->fontMetrics()](const std::u16string& text) {
        return metrics.horizontalAdvance(QString::fromStdU16String(text));
    };
    const int margins = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    metrics.cellMargins = margins + (list->showGrid() ? 1 : 0) + 2;
    metrics.markWidth = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, list) + margins;
    for (int column = 0; column < COL_COUNT; ++column)
        metrics.headings[static_cast<std::size_t>(column)] = header->sectionSizeHint(column);
    presenter_.SetColumnMetrics(std::move(metrics));
    RefitColumns();
}

void CQuenloDlg::RefitColumns()
{
    if (presenter_.OperatorsColumnWidths())
        return;
    QTableView* list = DeviceList();
    const ColumnWidths widths = presenter_.ColumnWidthsFor(list->viewport()->width());
    fittingColumns_ = true;
    for (int column = 0; column < COL_COUNT; ++column)
        list->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
    fittingColumns_ = false;
}

bool CQuenloDlg::eventFilter(QObject* watched, QEvent* event)
{
    QTableView* list = DeviceList();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == FilterField() && key->key() == Qt::Key_Escape
            && !FilterField()->text().isEmpty()) {
            FilterField()->clear();
            return true;
        }
        if (watched == list && key->matches(QKeySequence::Copy)) {
            OnRowCopy();
            return true;
        }
        if (watched == list
            && key->keyCombination()
                   == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_C)) {
            OnRowCopy(true);
            return true;
        }
        if (watched == list && key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            OnRowMenuKey();
            return true;
        }
        if (watched == list && MoveToEnd(key->keyCombination()))
            return true;
    }
    // The Menu key's menu comes to the list itself, a mouse's to its viewport.
    if (watched == list && event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        OnRowMenuKey();
        return true;
    }
    if (watched == list->viewport() && event->type() == QEvent::Resize)
        RefitColumns();
    return CTemplateDialog::eventFilter(watched, event);
}

void CQuenloDlg::OnRowMenuKey()
{
    QTableView* list = DeviceList();
    const QModelIndex focused = list->currentIndex();
    if (focused.isValid())
        OnNMRclickList(list->visualRect(focused).center());
}

void CQuenloDlg::resizeEvent(QResizeEvent* event)
{
    CTemplateDialog::resizeEvent(event);
    if (templateSize_.isEmpty())
        return;
    const int dx = width() - templateSize_.width();
    const int dy = height() - templateSize_.height();
    for (const auto& [id, rect] : templateRects_) {
        const WindowRect placed = Follow({rect.x(), rect.y(), rect.width(), rect.height()},
                                         HowFollows(id), dx, dy);
        Control(id)->setGeometry(placed.x, placed.y, placed.width, placed.height);
    }
}

void CQuenloDlg::showEvent(QShowEvent* event)
{
    CTemplateDialog::showEvent(event);
    if (!std::exchange(fitted_, true))
        FitIn(QGuiApplication::primaryScreen()->availableGeometry());
}

void CQuenloDlg::FitIn(const QRect& workArea)
{
    // The frame's size is known once the window is shown; before, it counts as none.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    const QSize outer = templateSize_ + frame;
    const WindowRect area{workArea.x(), workArea.y(), workArea.width(), workArea.height()};
    const WindowRect fitted = FitInWorkArea(outer.width(), outer.height(), area);
    const QSize client(fitted.width - frame.width(), fitted.height - frame.height());
    setMinimumSize(client);
    resize(client);
    move(fitted.x, fitted.y);
}

bool CQuenloDlg::MoveToEnd(QKeyCombination key)
{
    QTableView* list = DeviceList();
    const Qt::KeyboardModifiers modifiers = key.keyboardModifiers() & ~Qt::KeypadModifier;
    const bool home = key.key() == Qt::Key_Home;
    const bool end = key.key() == Qt::Key_End;
    if ((!home && !end) || (modifiers != Qt::NoModifier && modifiers != Qt::ControlModifier))
        return false;
    if (model_->rowCount() == 0)
        return true;
    const int column = qMax(list->currentIndex().column(), 0);
    const QModelIndex target = model_->index(home ? 0 : model_->rowCount() - 1, column);
    list->selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollTo(target);
    return true;
}

void CQuenloDlg::OnFilterChanged(const QString& text)
{
    Show(presenter_.SetFilter(text.toStdU16String()));
}

void CQuenloDlg::UpdateStatus()
{
    ControlAs<QLabel>(IDC_STATUS)->setText(
        QString::fromStdU16String(commands_.StatusText()));
}

void CQuenloDlg::OnColumnClick(int column)
{
    Show(presenter_.SortBy(column));
    ShowOrder();
}

void CQuenloDlg::ShowOrder()
{
    const RowOrder order = presenter_.Order();
    QHeaderView* header = DeviceList()->horizontalHeader();
    header->setSortIndicatorShown(order.Sorted());
    if (order.Sorted())
        header->setSortIndicator(order.column,
                                 order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CQuenloDlg::OnListUpdate()
{
    Show(commands_.TakeChange());
}

void CQuenloDlg::Show(const ListChange& change)
{
    model_->Show(change);
    if (change.emptied)
        ShowOrder();
    QItemSelectionModel* selection = DeviceList()->selectionModel();
    for (const RowId id : change.select) {
        selection->select(model_->index(presenter_.PositionOf(id), 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (change.columns)
        RefitColumns();
    UpdateStatus();
    if (change.portBusy) {
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
    if (change.searchEnded)
        emit searchEnded();
}

void CQuenloDlg::OnBnClickedSearch()
{
    commands_.Search();
    UpdateStatus();
}

void CQuenloDlg::OnBnClickedStop()
{
    commands_.Stop();
    UpdateStatus();
}

void CQuenloDlg::OnRefresh()
{
    commands_.Refresh(SelectedPositions());
    UpdateStatus();
}

void CQuenloDlg::OnSysCommand(unsigned commandId)
{
    if (commandId == IDM_ABOUTBOX) {
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
    QMenu menu(this);
    AddMenuItems(menu, IDR_LIST_MENU);
    if (const QString about = LoadResourceString(IDS_ABOUTBOX); !about.isEmpty()) {
        menu.addSeparator();
        menu.addAction(about)->setData(IDM_ABOUTBOX);
    }
    const QAction* chosen = menu.exec(globalPosition);
    if (!chosen)
        return;
    if (chosen->data().toInt() == IDM_ABOUTBOX)
        OnSysCommand(IDM_ABOUTBOX);
    else
        RunListCommand(*this, chosen->data().toInt());
}

void CQuenloDlg::done(int result)
{
    search_.EndForGood();
    CTemplateDialog::done(result);
}
