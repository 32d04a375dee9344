#include "forms/DialogClassRegistry.h"

#include "forms/AFormWnd.h"
#include "forms/DialogTemplate.h"
#include "forms/UpDownControl.h"
#include "grid/ARecordList.h"

#include <QRect>

namespace vlk {

DialogClassRegistry::DialogClassRegistry()
{
    Register(QStringLiteral("msctls_updown32"),
             {[](const DialogItem& item, const QRect&, AFormWnd&) -> QWidget* {
                  auto* control = new UpDownControl((item.style & DialogStyle::UpDownHorizontal) != 0);
                  control->setArrowKeys((item.style & DialogStyle::UpDownArrowKeys) != 0);
                  control->setWindowTitle(item.text);
                  return control;
              },
              false});
    // The grid keeps its own font; its column titles may come with the item's text.
    Register(QStringLiteral("aRecordList"),
             {[](const DialogItem& item, const QRect& rect, AFormWnd& page) -> QWidget* {
                  auto* grid = new ARecordList;
                  if (!grid->Create(item.style, rect, &page, item.id)) {
                      delete grid;
                      return nullptr;
                  }
                  grid->SetHeaderText(item.text);
                  return grid;
              },
              true});
}

DialogClassRegistry& DialogClassRegistry::Instance()
{
    static DialogClassRegistry registry;
    return registry;
}

void DialogClassRegistry::Register(const QString& name, Creator creator)
{
    for (Entry& entry : m_entries) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            entry.creator = std::move(creator);
            return;
        }
    }
    m_entries.push_back({name, std::move(creator)});
}

void DialogClassRegistry::Unregister(const QString& name)
{
    std::erase_if(m_entries, [&](const Entry& e) { return e.name.compare(name, Qt::CaseInsensitive) == 0; });
}

const DialogClassRegistry::Creator* DialogClassRegistry::Find(const QString& name) const
{
    for (const Entry& entry : m_entries)
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry.creator;
    return nullptr;
}

} // namespace vlk
