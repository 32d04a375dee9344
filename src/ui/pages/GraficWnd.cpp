#include "pages/GraficWnd.h"

#include "config/Catalogue.h"

namespace vlk {

CGraficWnd::CGraficWnd(QWidget* parent) : AFormWnd(parent)
{
    const PageInfo& page = Catalogue::Page(PageId::Schedules);
    CreateDlgItems(page.dialogTemplate);
    for (std::size_t day = 0; day < m_days.size(); ++day) {
        const int id = Catalogue::DayCharts()[day].control;
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
    const QSize reference = FrameReferenceSize(page.frames.front(), page.frames.back());
    StoreLayout(reference.width(), reference.height());
}

CGraficWnd::~CGraficWnd() = default;

} // namespace vlk
