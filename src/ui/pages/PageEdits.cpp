#include "pages/PageEdits.h"

#include "config/Catalogue.h"
#include "grid/ARecordList.h"
#include "pages/ConfigWnd.h"
#include "pages/DirectionWnd.h"
#include "pages/GraficWnd.h"
#include "pages/MeasureWnd.h"
#include "pages/OutputWnd.h"
#include "pages/ProgramWnd.h"

#include <QCheckBox>
#include <QLineEdit>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace vlk {

namespace {

const FieldInfo& FieldNamed(std::string_view name)
{
    for (const FieldInfo& field : Catalogue::Fields())
        if (field.name == name)
            return field;
    throw std::logic_error("no field " + std::string(name) + " in the catalogue");
}

} // namespace

PageEdits::PageEdits(CDirectionWnd& directions, CProgramWnd& programs, CGraficWnd& schedules, COutputWnd& outputs,
                     CMeasureWnd& sensors, CConfigWnd& zad, QObject* parent)
    : QObject(parent)
{
    WatchGrid(directions.PhaseMinTime(), QStringLiteral("Минимальное время фаз"));
    WatchGrid(directions.Directions(), QStringLiteral("Описание направлений"));
    WatchGrid(programs.Programs(), QStringLiteral("Описание программ"));
    WatchGrid(outputs.LampOutput(), QStringLiteral("Привязка ламп к выходам"));
    WatchGrid(outputs.WaitBoard(), QStringLiteral("Привязка табло «ЖДИТЕ»"));
    WatchGrid(sensors.RedSensor(), QStringLiteral("Датчики красных ламп"));
    WatchGrid(sensors.GreenSensor(), QStringLiteral("Датчики зеленых ламп"));
    WatchGrid(zad.MinSignalTime(), QStringLiteral("Минимальные времена сигналов"));
    WatchGrid(zad.InterGreen(), QStringLiteral("Время между зелеными"));

    connect(&directions, &CDirectionWnd::priorityMoved, this,
            [this] { Report(QStringLiteral("перемещение приоритета")); });
    // The page's own handler has run by now (it was connected first): the sync field is locked
    // or free again when the change is reported.
    if (QCheckBox* master = directions.Master())
        connect(master, &QCheckBox::clicked, this, [this, master] {
            Report(QStringLiteral("переключение «%1»").arg(master->text()));
        });
    const std::pair<QLineEdit*, const char*> fields[] = {{directions.CircularRed(), "CircularRedTime"},
                                                         {directions.SyncDelay(), "SyncDelay"},
                                                         {directions.AccountRecord(), "AccountRecord"}};
    for (const auto& [edit, name] : fields) {
        const FieldInfo& field = FieldNamed(name);
        WatchField(edit, field.control, QString::fromStdString(field.caption));
    }

    const auto& days = Catalogue::DayCharts();
    for (int day = 0; day < static_cast<int>(days.size()); ++day) {
        const QString name = QString::fromStdString(days[static_cast<std::size_t>(day)].caption);
        connect(&schedules.Day(day), &CScheduleWnd::userEdited, this,
                [this, name] { Report(QStringLiteral("правка графика «%1»").arg(name)); });
    }
}

void PageEdits::WatchGrid(ARecordList* grid, const QString& table)
{
    if (grid)
        connect(grid, &ARecordList::userEdited, this,
                [this, table] { Report(QStringLiteral("правка таблицы «%1»").arg(table)); });
}

void PageEdits::WatchField(QLineEdit* edit, int control, const QString& caption)
{
    if (!edit)
        return;
    // Every change of the text counts, not only the user's keystrokes: the page's own correction
    // of a value out of range (to "0", to 115 characters) follows a keystroke and belongs to it.
    // The page connected its checks first, so they have run when this one is told.
    const QString action = QStringLiteral("правка поля «%1»").arg(caption);
    connect(edit, &QLineEdit::textChanged, this, [this, action, control] { Report(action, control); });
    connect(edit, &QLineEdit::editingFinished, this, [this] {
        if (!IsQuiet())
            emit fieldFinished();
    });
}

void PageEdits::Report(const QString& action, int field)
{
    if (!IsQuiet())
        emit configurationEdited(action, field);
}

} // namespace vlk
