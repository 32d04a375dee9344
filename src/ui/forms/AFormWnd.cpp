#include "forms/AFormWnd.h"

#include "config/Catalogue.h"

#include "forms/DialogClassRegistry.h"
#include "forms/FormResources.h"
#include "forms/GroupFrame.h"
#include "grid/ACommon.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>

#include <algorithm>

namespace vlk {

namespace {

const char* const kItemId = "vlkItemId";
const char* const kItemClass = "vlkItemClass";
const char* const kItemStyle = "vlkItemStyle";

// The built-in classes under their canonical names.
QString BuiltInClass(const QString& name)
{
    for (const char* known : {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"})
        if (name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(known);
    return {};
}

QWidget* MakeButton(const DialogItem& item)
{
    using namespace DialogStyle;
    switch (item.style & ButtonTypeMask) {
    case GroupBox:
        return new GroupFrame(item.text);
    case CheckBox:
    case AutoCheckBox:
        return new QCheckBox(item.text);
    case ThreeState:
    case AutoThreeState: {
        auto* box = new QCheckBox(item.text);
        box->setTristate(true);
        return box;
    }
    case RadioButton:
    case AutoRadioButton:
        return new QRadioButton(item.text);
    default: {
        auto* button = new QPushButton(item.text);
        button->setDefault((item.style & ButtonTypeMask) == DefPushButton);
        button->setAutoDefault(false);
        return button;
    }
    }
}

QWidget* MakeEdit(const DialogItem& item)
{
    using namespace DialogStyle;
    auto* edit = new QLineEdit(item.text);
    Qt::Alignment alignment = Qt::AlignLeft;
    if (item.style & EditCenter)
        alignment = Qt::AlignHCenter;
    else if (item.style & EditRight)
        alignment = Qt::AlignRight;
    edit->setAlignment(alignment | Qt::AlignVCenter);
    edit->setReadOnly((item.style & EditReadOnly) != 0);
    if (item.style & EditPassword)
        edit->setEchoMode(QLineEdit::Password);
    if (item.style & EditNumber) {
        // Digits only when typed; a program may still set any text.
        static const QRegularExpression digits(QStringLiteral("[0-9]*"));
        edit->setValidator(new QRegularExpressionValidator(digits, edit));
    }
    return edit;
}

QWidget* MakeStatic(const DialogItem& item)
{
    using namespace DialogStyle;
    auto* label = new QLabel;
    const std::uint32_t type = item.style & StaticTypeMask;
    if (type == StaticBitmap) {
        if (item.HasOrdinal())
            label->setPixmap(FormBitmap(item.ordinal));
        label->setAlignment((item.style & StaticCenterImage) ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    label->setTextFormat(Qt::PlainText);
    label->setText(item.HasOrdinal() ? QString::number(item.ordinal) : item.text);
    Qt::Alignment alignment = Qt::AlignLeft;
    if (type == StaticCenter)
        alignment = Qt::AlignHCenter;
    else if (type == StaticRight)
        alignment = Qt::AlignRight;
    alignment |= (item.style & StaticCenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
    label->setAlignment(alignment);
    label->setWordWrap(type == 0 || type == StaticCenter || type == StaticRight);
    return label;
}

QWidget* MakeComboBox(const DialogItem& item)
{
    auto* combo = new QComboBox;
    const std::uint32_t kind = item.style & DialogStyle::ComboDropDownList;
    combo->setEditable(kind == DialogStyle::ComboDropDown || kind == DialogStyle::ComboSimple);
    return combo;
}

} // namespace

AFormWnd::AFormWnd(QWidget* parent) : QWidget(parent)
{
    m_background = FormBitmap(BitmapPageTexture);
    if (!m_background.isNull())
        m_backgroundBrush = QBrush(m_background);
}

AFormWnd::AFormWnd(int templateId, int lowestFrameId, int topFrameId, QWidget* parent) : AFormWnd(parent)
{
    CreateDlgItems(templateId);
    const QSize reference = FrameReferenceSize(lowestFrameId, topFrameId);
    StoreLayout(reference.width(), reference.height());
}

AFormWnd::AFormWnd(const PageInfo& page, QWidget* parent)
    : AFormWnd(page.dialogTemplate, page.frames.front(), page.frames.back(), parent)
{
}

AFormWnd::~AFormWnd() = default;

QSize AFormWnd::MeasureBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width + 26) / 52, metrics.height() + qMax(0, metrics.leading())};
}

QSize AFormWnd::CreateDlgItems(int templateId)
{
    QString error;
    const auto dialog = DialogTemplate::Load(templateId, &error);
    if (!dialog) {
        qWarning("AFormWnd::CreateDlgItems: %s", qUtf8Printable(error));
        return {};
    }
    return CreateDlgItems(*dialog);
}

QSize AFormWnd::CreateDlgItems(const DialogTemplate& dialog)
{
    if (windowTitle().isEmpty() && !dialog.caption.isEmpty())
        setWindowTitle(dialog.caption);

    if (dialog.HasFont()) {
        if (!m_formFont) {
            // Point size to pixels as the screen's logical resolution gives it, rounded.
            const int dpi = logicalDpiY();
            m_formFont = StationFont(dialog.face, (dialog.pointSize * dpi + 36) / 72);
        }
        m_baseUnits = MeasureBaseUnits(*m_formFont);
    } else {
        // Every template of the station names its font; without one the page's own font serves.
        m_baseUnits = MeasureBaseUnits(font());
    }
    if (m_baseUnits.width() <= 0 || m_baseUnits.height() <= 0)
        m_baseUnits = QSize(6, 13);
    m_template = dialog;

    for (const DialogItem& item : dialog.items)
        (void)CreateItem(item, DialogItemRect(item));
    StackFramesBelowControls();

    return {dialog.cx * m_baseUnits.width() / 4, dialog.cy * m_baseUnits.height() / 8};
}

void AFormWnd::StackFramesBelowControls()
{
    // A template lists its items in creation order, and Qt stacks a later sibling above an
    // earlier one; a frame drawn after the controls it encloses would lie on top of them.
    // Frames are only pictures: under everything else, the larger ones lowest.
    std::vector<GroupFrame*> frames;
    for (QObject* child : children())
        if (auto* frame = qobject_cast<GroupFrame*>(child))
            frames.push_back(frame);
    const auto area = [](const QWidget* w) { return static_cast<qint64>(w->width()) * w->height(); };
    std::stable_sort(frames.begin(), frames.end(),
                     [&](const GroupFrame* a, const GroupFrame* b) { return area(a) < area(b); });
    for (GroupFrame* frame : frames)
        frame->lower(); // the last lowered, the largest, ends at the bottom
}

QRect AFormWnd::DialogItemRect(const DialogItem& item) const
{
    const int bx = m_baseUnits.width();
    const int by = m_baseUnits.height();
    return {item.x * bx / 4, item.y * by / 8, item.cx * bx / 4, item.cy * by / 8};
}

QWidget* AFormWnd::CreateItem(const DialogItem& item, const QRect& rect)
{
    const QString builtIn = BuiltInClass(item.className);
    QWidget* window = nullptr;
    bool ownFont = false;
    if (builtIn == QLatin1String("Button"))
        window = MakeButton(item);
    else if (builtIn == QLatin1String("Edit"))
        window = MakeEdit(item);
    else if (builtIn == QLatin1String("Static"))
        window = MakeStatic(item);
    else if (builtIn == QLatin1String("ListBox"))
        window = new QListWidget;
    else if (builtIn == QLatin1String("ComboBox"))
        window = MakeComboBox(item);
    else if (builtIn == QLatin1String("ScrollBar"))
        window = new QScrollBar((item.style & DialogStyle::ScrollBarVertical) ? Qt::Vertical : Qt::Horizontal);
    else if (const auto* creator = DialogClassRegistry::Instance().Find(item.className)) {
        window = creator->make(item, rect, *this);
        ownFont = creator->keepsOwnFont;
    }

    if (!window) {
        qWarning().noquote() << QStringLiteral("Предупреждение: AFormWnd::CreateDlgItems, Ошибка создания класса %1")
                                    .arg(item.className);
        return nullptr;
    }

    if (window->parentWidget() != this)
        window->setParent(this);
    window->setProperty(kItemId, item.id);
    window->setProperty(kItemClass, builtIn.isEmpty() ? item.className : builtIn);
    window->setProperty(kItemStyle, static_cast<uint>(item.style));
    if (!ownFont && m_formFont)
        window->setFont(*m_formFont);

    QRect geometry = rect;
    if (builtIn == QLatin1String("ComboBox")) {
        // The template's height includes the open list; the window is the closed field.
        geometry.setHeight(window->sizeHint().height());
    } else if (builtIn == QLatin1String("Static") && (item.style & DialogStyle::StaticTypeMask) == DialogStyle::StaticBitmap
               && !(item.style & DialogStyle::StaticCenterImage)) {
        const QPixmap pixmap = static_cast<QLabel*>(window)->pixmap();
        if (!pixmap.isNull())
            geometry.setSize(pixmap.size());
    }
    window->setGeometry(geometry);

    const bool staticLike = builtIn == QLatin1String("Static")
        || (builtIn == QLatin1String("Button") && (item.style & DialogStyle::ButtonTypeMask) == DialogStyle::GroupBox);
    if (item.style & DialogStyle::TabStop)
        window->setFocusPolicy(Qt::StrongFocus);
    else if (staticLike)
        window->setFocusPolicy(Qt::NoFocus);
    else if (window->focusPolicy() & Qt::TabFocus)
        window->setFocusPolicy(Qt::ClickFocus);
    window->setEnabled(!(item.style & DialogStyle::Disabled));

    if (auto* button = qobject_cast<QAbstractButton*>(window)) {
        const int id = item.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { emit ItemClicked(id); });
    } else if (builtIn == QLatin1String("Static") && (item.style & DialogStyle::StaticNotify)) {
        window->installEventFilter(this);
    }
    window->setVisible((item.style & DialogStyle::Visible) != 0);
    return window;
}

bool AFormWnd::eventFilter(QObject* watched, QEvent* event)
{
    // A clicking static reports the press; the second press of a double click is not a click.
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        auto* window = qobject_cast<QWidget*>(watched);
        if (window && mouse->button() == Qt::LeftButton && window->isEnabled())
            emit ItemClicked(ItemId(window));
    }
    return QWidget::eventFilter(watched, event);
}

int AFormWnd::ItemId(const QWidget* window)
{
    const QVariant id = window ? window->property(kItemId) : QVariant();
    return id.isValid() ? id.toInt() : 0;
}

QString AFormWnd::ItemClass(const QWidget* window)
{
    return window ? window->property(kItemClass).toString() : QString();
}

std::uint32_t AFormWnd::ItemStyle(const QWidget* window)
{
    return window ? window->property(kItemStyle).toUInt() : 0;
}

QWidget* AFormWnd::GetDlgItem(int id) const
{
    for (QObject* child : children()) {
        auto* window = qobject_cast<QWidget*>(child);
        if (window && !window->isWindow() && window->property(kItemId).isValid() && ItemId(window) == id)
            return window;
    }
    return nullptr;
}

QSize AFormWnd::FrameReferenceSize(int lowestFrameId, int topFrameId) const
{
    const QWidget* lowest = GetDlgItem(lowestFrameId);
    const QWidget* top = GetDlgItem(topFrameId);
    if (!lowest || !top)
        return {};
    const QRect corner = lowest->geometry();
    const QRect offsets = top->geometry();
    return {corner.x() + corner.width() + offsets.x(), corner.y() + corner.height() + offsets.y()};
}

AFormWnd::SizeRule AFormWnd::RuleFor(const QWidget* window)
{
    const QString cls = ItemClass(window);
    if (cls == QLatin1String("ComboBox") || cls == QLatin1String("Edit"))
        return SizeRule::KeepHeight;
    if (cls == QLatin1String("Static"))
        return SizeRule::KeepSize;
    if (cls == QLatin1String("Button") && (ItemStyle(window) & 0x7) == 0)
        return SizeRule::KeepSize;
    return SizeRule::Stretch;
}

void AFormWnd::StoreLayout(int width, int height)
{
    m_layout.clear();
    if (width <= 0 || height <= 0)
        return;
    const double w = width;
    const double h = height;
    for (QObject* child : children()) {
        auto* window = qobject_cast<QWidget*>(child);
        if (!window || window->isWindow())
            continue;
        const QRect r = window->geometry();
        m_layout.push_back({window, r.x() * 100.0 / w, r.y() * 100.0 / h, (r.x() + r.width()) * 100.0 / w,
                            (r.y() + r.height()) * 100.0 / h, RuleFor(window)});
    }
}

void AFormWnd::Relayout()
{
    const double w = width();
    const double h = height();
    for (const Perc& entry : m_layout) {
        QWidget* window = entry.window.data();
        if (!window)
            continue;
        // The small bias keeps an exact product (say 52 / 300 of 900) from truncating one short.
        constexpr double bias = 1e-9;
        const int left = static_cast<int>(w * entry.left / 100 + bias);
        const int top = static_cast<int>(h * entry.top / 100 + bias);
        int right = static_cast<int>(w * entry.right / 100 + bias);
        int bottom = static_cast<int>(h * entry.bottom / 100 + bias);
        switch (entry.rule) {
        case SizeRule::KeepHeight:
            bottom = top + window->height();
            break;
        case SizeRule::KeepSize:
            right = left + window->width();
            bottom = top + window->height();
            break;
        case SizeRule::Stretch:
            break;
        }
        window->setGeometry(left, top, qMax(0, right - left), qMax(0, bottom - top));
    }
}

void AFormWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void AFormWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_backgroundBrush.style() != Qt::NoBrush)
        painter.fillRect(event->rect(), m_backgroundBrush);
    else
        painter.fillRect(event->rect(), palette().window());
}

void AFormWnd::SetItemBitmap(int id, const QPixmap& bitmap)
{
    auto* label = Item<QLabel>(id);
    if (!label)
        return;
    label->setPixmap(bitmap);
    label->repaint();
}

void AFormWnd::SetItemBitmap(int id, int bitmapId)
{
    SetItemBitmap(id, FormBitmap(bitmapId));
}

bool AFormWnd::focusNextPrevChild(bool next)
{
    // The control that holds the focus, counted as the direct child of the page that contains it,
    // so a combo box's edit part or a grid's cell editor leaves as a whole.
    QWidget* focused = QApplication::focusWidget();
    if (!focused || !isAncestorOf(focused))
        focused = window()->focusWidget();
    QWidget* current = focused;
    while (current && current->parentWidget() != this)
        current = current->parentWidget();

    if (!current)
        return QWidget::focusNextPrevChild(next);
    QWidget* target = ACommon::NextTabControl(current, !next);
    if (!target || target == current)
        return true;
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    if (ItemClass(target) == QLatin1String("Edit"))
        if (auto* edit = qobject_cast<QLineEdit*>(target))
            edit->selectAll();
    return true;
}

} // namespace vlk
