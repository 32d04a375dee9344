#include "app/VLKLx.h"

#include "app/MainFrm.h"
#include "app/StationArt.h"
#include "editor/ClassZetEdit.h"

#include <QApplication>

namespace vlk {

CVLKLxApp::CVLKLxApp() = default;

CVLKLxApp::~CVLKLxApp()
{
    // The frame (and with it any worker) goes first, the exchange lock after it.
    m_frame.reset();
}

bool CVLKLxApp::InitInstance()
{
    ClassZetEdit::Register();
    QApplication::setWindowIcon(StationArt::ApplicationIcon());
    m_frame = std::make_unique<CMainFrame>(m_exchangeLock, m_messages, m_dialogs);
    m_messages.SetOwner(m_frame.get());
    m_frame->AskPortAndStart();
    m_frame->show();
    m_frame->repaint();
    return true;
}

} // namespace vlk
