#include "pages/GraficWnd.h"

namespace vlk {

CGraficWnd::CGraficWnd(QWidget* parent) : AFormWnd(parent)
{
    CreateDlgItems(TemplateId);
    for (std::size_t day = 0; day < m_days.size(); ++day) {
        const int id = PlaceholderIds[day];
        QRect place;
        if (QWidget* placeholder = GetDlgItem(id)) {
            place = placeholder->geometry();
            delete placeholder;
        } else if (const DialogTemplate* dialog = Template(); dialog && dialog->Item(id)) {
            // The placeholder's class could not be made: its place is still in the template.
            place = DialogItemRect(*dialog->Item(id));
        }
        CScheduleWnd& chart = m_days[day];
        chart.setParent(this);
        chart.setGeometry(place);
        chart.show();
    }
    const QSize reference = FrameReferenceSize(FrameId, FrameId);
    StoreLayout(reference.width(), reference.height());
}

CGraficWnd::~CGraficWnd() = default;

} // namespace vlk
