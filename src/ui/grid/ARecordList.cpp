#include "grid/ARecordList.h"

#include "grid/RecordListLayout.h"
#include "grid/RecordListPainter.h"
#include "grid/RecordListParent.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

namespace vlk {

namespace {

QFont GridFont()
{
    QFont font;
    // The dialog face of the original is not on this platform; Arial's metrics come closest and
    // every desktop maps the name to a metric-compatible face with Cyrillic.
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

ARecordList::ARecordList(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_editing(*this)
    , m_keys(*this)
    , m_ownFont(GridFont())
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &ARecordList::OnVerticalAction);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, &ARecordList::OnHorizontalAction);
}

ARecordList::~ARecordList()
{
    m_editing.Shutdown();
    SetNotifyTarget(nullptr);
    m_model.ClearRows();
    m_curSel = -1;
}

bool ARecordList::Create(unsigned style, const QRect& rect, QWidget* parent, int id)
{
    if (parent)
        setParent(parent);
    m_controlId = id;
    m_border = (style & WS_BORDER) != 0;
    if (m_border) {
        setFrameShape(QFrame::Box);
        setFrameShadow(QFrame::Plain);
        setLineWidth(1);
    }
    setGeometry(rect);
    if (!m_notifyTarget)
        SetNotifyTarget(dynamic_cast<RecordListParent*>(parent));
    constexpr unsigned WS_VISIBLE = 0x10000000;
    if (style & WS_VISIBLE)
        show();
    return true;
}

RecordListGeometry ARecordList::Geometry() const
{
    RecordListGeometry g;
    g.headerHeight = m_headerHeight;
    g.rowHeight = m_rowHeight;
    g.topRow = m_topRow;
    g.hpos = m_hpos;
    g.clientWidth = viewport()->width();
    g.clientHeight = viewport()->height();
    g.rowCount = m_model.RowCount();
    g.proportional = IsProportional();
    return g;
}

// ---- notifications -------------------------------------------------------------------------

void ARecordList::SetNotifyTarget(RecordListParent* target)
{
    if (m_notifyTarget == target)
        return;
    if (m_notifyTarget)
        std::erase(m_notifyTarget->m_grids, this);
    m_notifyTarget = target;
    if (m_notifyTarget)
        m_notifyTarget->m_grids.push_back(this);
}

int ARecordList::Notify(int code, int row, int col, const QString* text)
{
    if (!m_notifyTarget)
        return 0;
    RecordListNotification n;
    n.kind = RecordListNotification::Kind::Cell;
    n.controlId = m_controlId;
    n.code = code;
    n.row = row;
    n.column = col;
    n.state = (row == m_curSel && row >= 0) ? 2 : 0;
    if (text) {
        n.text = *text;
    } else if (col >= 0) {
        const bool check = (GetColumnFlags(col) & RLC_CHECK) != 0;
        n.text = m_editing.IsOpen() && !check ? m_editing.EditorText() : GetCellText(row, col);
    }
    n.itemData = row >= 0 ? m_model.ItemData(row) : 0;
    return m_notifyTarget->OnRecordListNotify(*this, n);
}

int ARecordList::NotifyColumn(int code, int col)
{
    if (!m_notifyTarget)
        return 0;
    RecordListNotification n;
    n.kind = RecordListNotification::Kind::Column;
    n.controlId = m_controlId;
    n.code = code;
    n.column = col;
    return m_notifyTarget->OnRecordListNotify(*this, n);
}

void ARecordList::NotifySelectionCommand()
{
    if (!m_notifyTarget)
        return;
    RecordListNotification n;
    n.kind = RecordListNotification::Kind::SelectionCommand;
    n.controlId = m_controlId;
    n.code = 1;
    n.row = m_curSel;
    m_notifyTarget->OnRecordListNotify(*this, n);
}

// ---- set-up --------------------------------------------------------------------------------

void ARecordList::SetColumns(int count, const int* widths)
{
    m_model.ClearColumns();
    if (!m_model.SetColumnCount(count) || !widths)
        return;
    for (int i = 0; i < m_model.ColumnCount(); ++i) {
        if (IsProportional())
            m_model.Column(i).percent = widths[i];
        else
            m_model.Column(i).width = widths[i];
    }
    if (IsProportional())
        ProportionalLayout();
    UpdateScrollRanges();
}

void ARecordList::SetHeaderText(const QString& text)
{
    m_model.SetHeaderText(text);
    viewport()->update(QRect(0, 0, viewport()->width(), m_headerHeight + 1));
}

void ARecordList::SetColumnTip(int col, const QString& text)
{
    if (col >= 0 && col < RecordListModel::MaxColumns)
        m_model.Column(col).tip = text.left(RecordListModel::MaxTitle);
}

int ARecordList::SetColumnFlags(int col, int flags)
{
    if (col >= RecordListModel::MaxColumns)
        return 0;
    if (col < 0) {
        for (int i = 0; i < m_model.ColumnCount(); ++i)
            m_model.Column(i).flags = flags;
    } else {
        m_model.Column(col).flags = flags;
    }
    return 1;
}

int ARecordList::GetColumnFlags(int col) const
{
    if (col < 0 || col >= RecordListModel::MaxColumns)
        return -1;
    return m_model.Column(col).flags;
}

void ARecordList::SetColumnWidth(int col, int pixels)
{
    if (col < 0 || col >= RecordListModel::MaxColumns)
        return;
    m_model.Column(col).width = pixels;
    UpdateScrollRanges();
    m_editing.MoveEditor();
}

int ARecordList::GetColumnWidth(int col) const
{
    if (col < 0 || col >= RecordListModel::MaxColumns)
        return 0;
    return m_model.Column(col).width;
}

void ARecordList::SetColumnPicture(int col, int entry, const QString& text, int image, int mask)
{
    if (col < 0 || col >= RecordListModel::MaxColumns || entry < 0 || entry >= RecordListModel::MaxPictures)
        return;
    auto& picture = m_model.Column(col).pictures[static_cast<size_t>(entry)];
    picture.text = text.left(RecordListModel::MaxPictureText);
    picture.image = image;
    picture.mask = mask;
}

QString ARecordList::GetColumnTitle(int col) const
{
    return m_model.ColumnTitle(col);
}

void ARecordList::SetRowHeight(int pixels)
{
    m_rowHeight = pixels;
    UpdateScrollRanges();
}

const QFont* ARecordList::SetFont(const QFont* font)
{
    const QFont* previous = GetFont();
    m_font = font;
    return previous;
}

void ARecordList::SetHeaderOnly(int flag)
{
    m_headerOnly = flag;
    // Nothing is painted below a header-only strip; let the window's own background show
    // there rather than whatever the screen held.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, flag == 0);
    viewport()->setAutoFillBackground(flag != 0);
}

// ---- rows and cells ------------------------------------------------------------------------

int ARecordList::AddRow(const QString& text)
{
    const int row = m_model.AddRow(text);
    UpdateScrollRanges();
    ProportionalLayout();
    InvalidateRow(row);
    return row;
}

void ARecordList::MoveRow(int from, int to)
{
    if (from == to || !m_model.IsRow(from))
        return;
    m_model.MoveRow(from, to);
    viewport()->update();
}

void ARecordList::SetCellText(int row, int col, const QString& text)
{
    if (row < 0 || col < 0 || row >= m_model.RowCount())
        return;
    if ((m_style & RLS_SYNCEDITOR) && m_editing.IsOpen() && row == m_editing.EditRow()
        && col == m_editing.EditColumn() && m_editing.Editor()->EditorKind() == RecordListEditor::Kind::Plain) {
        m_editing.Editor()->SetText(text);
    }
    if (!m_model.SetCellText(row, col, text))
        return;
    if (col < m_model.ColumnCount()) {
        QRect cell = GetCellRect(row, col);
        // Picture cells draw one pixel wider.
        cell.setRight(cell.right() + 1);
        viewport()->update(cell);
    }
}

void ARecordList::SetCheck(int row, int col, bool checked)
{
    if (!(GetColumnFlags(col) & RLC_CHECK) || GetColumnFlags(col) < 0)
        return;
    SetCellText(row, col, checked ? m_checkText : QString());
}

void ARecordList::SetCurSel(int row)
{
    if ((m_style & RLS_NOSELECT) || row >= m_model.RowCount())
        return;
    if (m_editing.IsOpen() && !m_editing.EndEdit(true, false))
        return;
    if (row == m_curSel)
        return;
    InvalidateRow(m_curSel);
    m_curSel = row;
    InvalidateRow(row);
    if (row >= 0) {
        const int top = RecordListLayout::ScrollIntoView(Geometry(), row);
        if (top >= 0) {
            SetVerticalPosition(top);
            viewport()->update(QRect(0, m_headerHeight, viewport()->width(), viewport()->height()));
        }
    }
    m_keys.RowSelected(row);
    Notify(RLN_SELCHANGED, row, -1);
    NotifySelectionCommand();
}

QRect ARecordList::GetRowRect(int row) const
{
    return RecordListLayout::RowRect(Geometry(), row);
}

QRect ARecordList::GetCellRect(int row, int col) const
{
    return RecordListLayout::CellRect(m_model, Geometry(), row, col);
}

int ARecordList::HitTestRow(int, int y) const
{
    return RecordListLayout::HitTestRow(Geometry(), y);
}

int ARecordList::HitTestColumn(int x, int) const
{
    return RecordListLayout::HitTestColumn(m_model, Geometry(), x);
}

int ARecordList::HitTestDivider(int x, int) const
{
    return RecordListLayout::HitTestDivider(m_model, Geometry(), x);
}

int ARecordList::NextEditColumn(int col, bool backwards) const
{
    const int count = m_model.ColumnCount();
    if (count <= 0)
        return col;
    int c = col;
    for (int step = 0; step < count; ++step) {
        c = backwards ? (c <= 0 ? count - 1 : c - 1) : (c + 1 >= count ? 0 : c + 1);
        if (c == col)
            break;
        if (m_model.Column(c).flags & RLC_EDIT)
            return c;
    }
    return col;
}

void ARecordList::InvalidateCursor()
{
    const CellPos cursor = m_keys.Cursor();
    if (!cursor.IsSet())
        return;
    const QRect frame = RecordListLayout::FocusFrameRect(m_model, Geometry(), cursor.row, cursor.col);
    if (!frame.isNull())
        viewport()->update(frame.adjusted(-1, -1, 1, 1));
}

void ARecordList::InvalidateRow(int row)
{
    const QRect rect = GetRowRect(row);
    if (!rect.isNull())
        viewport()->update(rect.adjusted(0, 0, 1, 1));
}

// ---- layout and scrolling ------------------------------------------------------------------

void ARecordList::UpdateScrollRanges()
{
    const RecordListGeometry g = Geometry();
    const int vmax = RecordListLayout::VerticalMax(g);
    const int hmax = RecordListLayout::HorizontalMax(m_model, g);
    verticalScrollBar()->setPageStep(std::max(1, RecordListLayout::RowsPerPage(g)));
    horizontalScrollBar()->setPageStep(std::max(1, RecordListLayout::HorizontalPage(g)));
    verticalScrollBar()->setRange(0, vmax);
    horizontalScrollBar()->setRange(0, hmax);
}

void ARecordList::ProportionalLayout()
{
    if (IsProportional())
        RecordListLayout::ApplyProportional(m_model, viewport()->width());
}

void ARecordList::AfterLayoutChange()
{
    UpdateScrollRanges();
    ProportionalLayout();
    m_editing.MoveEditor();
    viewport()->update();
}

void ARecordList::SetVerticalPosition(int top)
{
    m_movePixels = false;
    verticalScrollBar()->setValue(top);
}

void ARecordList::SetHorizontalPosition(int pos)
{
    m_movePixels = false;
    horizontalScrollBar()->setValue(pos);
}

void ARecordList::OnVerticalAction(int action)
{
    auto* bar = verticalScrollBar();
    m_movePixels = action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderSingleStepSub
                   || action == QAbstractSlider::SliderMove;
    bar->setValue(bar->sliderPosition());
    m_movePixels = false;
}

void ARecordList::OnHorizontalAction(int action)
{
    auto* bar = horizontalScrollBar();
    m_movePixels = action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderSingleStepSub
                   || action == QAbstractSlider::SliderMove;
    bar->setValue(bar->sliderPosition());
    m_movePixels = false;
    // A page keeps a companion grid in step with this one.
    Notify(LVN_ITEMCHANGING, 0, 0);
}

void ARecordList::scrollContentsBy(int, int)
{
    const int top = verticalScrollBar()->value();
    const int pos = horizontalScrollBar()->value();
    const int rows = m_topRow - top;
    const int units = m_hpos - pos;
    m_topRow = top;
    m_hpos = pos;
    QWidget* area = viewport();
    const int below = m_headerHeight + 1;
    if (rows != 0) {
        const QRect scrolled(0, below, area->width(), std::max(0, area->height() - below));
        if (m_movePixels && std::abs(rows) * m_rowHeight < scrolled.height())
            area->scroll(0, rows * m_rowHeight, scrolled);
        else
            area->update(QRect(0, m_headerHeight, area->width(), area->height()));
    }
    if (units != 0) {
        const int dx = units * RecordListLayout::HorizontalUnit;
        if (m_movePixels && std::abs(dx) < area->width())
            area->scroll(dx, 0, area->rect());
        else
            area->update();
    }
    m_editing.MoveEditor();
}

void ARecordList::ViewportResized()
{
    UpdateScrollRanges();
    ProportionalLayout();
    if (IsProportional() && m_model.ColumnCount() <= 1)
        m_model.Column(0).width = viewport()->width();
    m_editing.MoveEditor();
}

// ---- events --------------------------------------------------------------------------------

bool ARecordList::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (m_drag.active) {
            if (key->key() == Qt::Key_Escape)
                EndDrag(true);
            return true; // other keys are dropped while dragging
        }
        if (m_editing.PreTranslateKey(key))
            return true;
    }
    if (event->type() == QEvent::ShortcutOverride && m_keys.WantsKey(static_cast<QKeyEvent*>(event))) {
        // The cell keys (copy, paste, Delete, digits) belong to the grid while it has the focus.
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride && m_editing.IsOpen()) {
        // Keep the grid's editing keys away from window shortcuts.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool ARecordList::eventFilter(QObject* watched, QEvent* event)
{
    if (m_editing.EditorEvent(watched, event))
        return true;
    return QAbstractScrollArea::eventFilter(watched, event);
}

bool ARecordList::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize: {
        const bool result = QAbstractScrollArea::viewportEvent(event);
        ViewportResized();
        return result;
    }
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_tipOn && !IsFixedColumns())
            QToolTip::showText(help->globalPos(), m_tipText, viewport());
        else
            QToolTip::hideText();
        return true;
    }
    case QEvent::Leave:
        m_tipColumn = -1;
        m_tipOn = false;
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void ARecordList::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setFont(*GetFont());
    painter.setBackgroundMode(Qt::TransparentMode);
    RecordListPainter::State state;
    state.curSel = m_curSel;
    state.focused = hasFocus();
    state.headerOnly = m_headerOnly != 0;
    state.border = m_border;
    state.checkedPicture = m_checkedPicture;
    state.uncheckedPicture = m_uncheckedPicture;
    state.checkText = m_checkText;
    state.dragLineX = m_drag.active ? m_drag.x : -1;
    const RecordListGeometry g = Geometry();
    const CellPos cursor = m_keys.Cursor();
    if (cursor.IsSet() && hasFocus() && !m_editing.IsOpen())
        state.cursorFrame = RecordListLayout::FocusFrameRect(m_model, g, cursor.row, cursor.col);
    const CellRange cells = m_keys.Selection();
    if (cells.IsSet() && !cells.IsSingle())
        state.selectionBox = RecordListLayout::RangeRect(m_model, g, cells.top, cells.left, cells.bottom, cells.right);
    RecordListPainter(painter, m_model, g, m_colours, state).Paint(event->rect());
}

void ARecordList::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    InvalidateRow(m_curSel);
    m_keys.FocusIn();
    InvalidateCursor();
}

void ARecordList::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    InvalidateRow(m_curSel);
    InvalidateCursor();
    m_keys.MouseRelease();
    if (m_drag.active)
        EndDrag(true);
}

void ARecordList::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        if (pos.y() > m_headerHeight) {
            if (m_keys.HasCells()) {
                // The cursor takes the cell (Shift extends the block) and carries the row along.
                m_keys.MousePress(pos, (event->modifiers() & Qt::ShiftModifier) != 0);
                return;
            }
            SetCurSel(HitTestRow(pos.x(), pos.y()));
            return;
        }
        const int divider = HitTestDivider(pos.x(), pos.y());
        if (divider >= 0 && !IsFixedColumns())
            StartDrag(divider, pos.x());
        else
            NotifyColumn(LVN_COLUMNCLICK, HitTestColumn(pos.x(), pos.y()));
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (m_editing.IsOpen())
            return;
        const int row = HitTestRow(pos.x(), pos.y());
        const int col = HitTestColumn(pos.x(), pos.y());
        if (row >= 0)
            SetCurSel(row);
        Notify(NM_RCLICK, row, col);
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void ARecordList::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_drag.active) {
        MoveDrag(pos.x());
        return;
    }
    if (m_keys.Dragging() && (event->buttons() & Qt::LeftButton))
        m_keys.MouseMove(pos);
    if (!IsFixedColumns()) {
        const bool overDivider = pos.y() <= m_headerHeight && HitTestDivider(pos.x(), pos.y()) >= 0;
        if (overDivider)
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
        UpdateTip(pos);
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void ARecordList::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag.active && event->button() == Qt::LeftButton) {
        EndDrag(false);
        return;
    }
    if (event->button() == Qt::LeftButton)
        m_keys.MouseRelease();
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void ARecordList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        // A fast second right click is another right click.
        if (event->button() == Qt::RightButton)
            mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    const int row = HitTestRow(pos.x(), pos.y());
    int col = -1;
    if (pos.y() > m_headerHeight) {
        col = HitTestColumn(pos.x(), pos.y());
        const int flags = GetColumnFlags(col);
        if (row >= 0 && col >= 0) {
            if (!(flags & RLC_CHECK)) {
                BeginEdit(row, col);
            } else if (flags & RLC_EDIT) {
                const bool wasEmpty = GetCellText(row, col).isEmpty();
                if (flags & RLC_RADIO) {
                    for (int i = 0; i < m_model.RowCount(); ++i) {
                        if (i != row)
                            SetCheck(i, col, false);
                    }
                }
                SetCheck(row, col, wasEmpty);
                Notify(RLN_TOGGLED, row, col);
                emit userEdited();
            }
        }
    } else {
        col = HitTestDivider(pos.x(), pos.y());
        if (col >= 0 && !IsFixedColumns())
            AutoSize(col);
    }
    Notify(RLN_DBLCLICK, row, col);
}

void ARecordList::keyPressEvent(QKeyEvent* event)
{
    if (m_keys.KeyPress(event)) {
        event->accept();
        return;
    }
    if (RowKey(event->key())) {
        event->accept();
        return;
    }
    if (TypeAhead(event->text())) {
        event->accept();
        return;
    }
    event->ignore();
}

bool ARecordList::RowKey(int key)
{
    const int count = m_model.RowCount();
    const int page = RecordListLayout::RowsPerPage(Geometry());
    switch (key) {
    case Qt::Key_PageUp: {
        const int row = m_curSel - page;
        SetCurSel(row < 1 ? 0 : row);
        return true;
    }
    case Qt::Key_PageDown: {
        const int row = m_curSel + page;
        SetCurSel(row >= count ? count - 1 : row);
        return true;
    }
    case Qt::Key_End:
        SetCurSel(count - 1);
        return true;
    case Qt::Key_Home:
        // An empty grid has no row 0.
        if (count > 0)
            SetCurSel(0);
        return true;
    case Qt::Key_Up:
        if (m_curSel >= 1)
            SetCurSel(m_curSel - 1);
        return true;
    case Qt::Key_Down:
        if (m_curSel < count - 1)
            SetCurSel(m_curSel + 1);
        return true;
    default:
        return false;
    }
}

bool ARecordList::TypeAhead(const QString& text)
{
    if (text.size() != 1)
        return false;
    char16_t c = text[0].unicode();
    // The Cyrillic letters А..я; the lower-case half is matched as upper case.
    if (c < u'\u0410' || c > u'\u044F')
        return false;
    if (c >= u'\u0430')
        c = static_cast<char16_t>(c - 0x20);
    const QChar letter(c);
    const int count = m_model.RowCount();
    auto matches = [&](int row) {
        const QString label = m_model.CellText(row, 0);
        return !label.isEmpty() && label[0] == letter;
    };
    for (int row = m_curSel + 1; row < count; ++row) {
        if (matches(row)) {
            SetCurSel(row);
            return true;
        }
    }
    for (int row = 0; row < count; ++row) {
        if (matches(row)) {
            SetCurSel(row);
            return true;
        }
    }
    return false;
}

// ---- header: tooltips, resize drag, auto-size ----------------------------------------------

void ARecordList::UpdateTip(const QPoint& pos)
{
    if (HitTestDivider(pos.x(), pos.y()) >= 0 || pos.y() > m_headerHeight) {
        m_tipColumn = -1;
        if (m_tipOn)
            QToolTip::hideText();
        m_tipOn = false;
        return;
    }
    const int col = HitTestColumn(pos.x(), pos.y());
    if (col < 0 || col == m_tipColumn || col >= RecordListModel::MaxColumns)
        return;
    if (m_tipOn)
        QToolTip::hideText();
    m_tipOn = false;
    const auto& column = m_model.Column(col);
    const QString text = column.tip.isEmpty() ? column.title : column.tip;
    const QFontMetrics metrics(*GetFont());
    if (!column.tip.isEmpty() || metrics.horizontalAdvance(column.title) > column.width) {
        m_tipText = text;
        m_tipOn = true;
        m_tipColumn = col;
    }
}

void ARecordList::StartDrag(int divider, int x)
{
    const auto limits = RecordListLayout::DragLimits(m_model, Geometry(), divider);
    NotifyColumn(HDN_BEGINTRACK, divider);
    m_drag.active = true;
    m_drag.divider = divider;
    m_drag.low = limits.low;
    m_drag.high = limits.high;
    m_drag.x = x;
    viewport()->update(QRect(x, 0, 1, viewport()->height()));
}

void ARecordList::MoveDrag(int x)
{
    const int old = m_drag.x;
    m_drag.x = std::clamp(x < 0 ? -1 : x, m_drag.low, std::max(m_drag.low, m_drag.high));
    viewport()->update(QRect(old, 0, 1, viewport()->height()));
    viewport()->update(QRect(m_drag.x, 0, 1, viewport()->height()));
    NotifyColumn(HDN_TRACK, m_drag.divider);
}

void ARecordList::EndDrag(bool cancelled)
{
    if (!m_drag.active)
        return;
    const Drag drag = m_drag;
    m_drag = Drag{};
    viewport()->update(QRect(drag.x, 0, 1, viewport()->height()));
    if (!cancelled) {
        RecordListLayout::ApplyDrag(m_model, Geometry(), drag.divider, drag.x);
        AfterLayoutChange();
    }
    NotifyColumn(HDN_ENDTRACK, drag.divider);
}

void ARecordList::AutoSize(int divider)
{
    const QFontMetrics metrics(*GetFont());
    int w = metrics.horizontalAdvance(m_model.Column(divider).title);
    for (int row = 0; row < m_model.RowCount(); ++row)
        w = std::max(w, metrics.horizontalAdvance(m_model.CellText(row, divider)));
    w += 5;
    RecordListLayout::ApplyAutoSize(m_model, Geometry(), divider, w);
    AfterLayoutChange();
    NotifyColumn(HDN_DIVIDERDBLCLICK, divider);
}

} // namespace vlk
