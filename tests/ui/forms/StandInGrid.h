#pragma once

#include "forms/AFormWnd.h"
#include "forms/DialogClassRegistry.h"
#include "forms/DialogTemplate.h"

#include <QFrame>
#include <QPalette>

namespace vlk::test {

// Until the real grid is linked in, "aRecordList" items become plain framed boxes that keep the
// item's text, so the forms can be built and looked at.
inline void RegisterStandInGrid()
{
    auto& registry = DialogClassRegistry::Instance();
    if (registry.Find(QStringLiteral("aRecordList")))
        return;
    registry.Register(QStringLiteral("aRecordList"),
                      {[](const DialogItem& item, const QRect&, AFormWnd&) -> QWidget* {
                           auto* box = new QFrame;
                           box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
                           box->setAutoFillBackground(true);
                           QPalette palette = box->palette();
                           palette.setColor(QPalette::Window, Qt::white);
                           box->setPalette(palette);
                           box->setProperty("headerText", item.text);
                           return box;
                       },
                       true});
}

} // namespace vlk::test
