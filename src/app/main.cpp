#include "frame/MainFrm.h"
#include "frame/QuitOnSignal.h"
#include "frame/VLKLx.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int result = 1;
    {
        vlk::CVLKLxApp station;
        if (!station.InitInstance())
            return 1;
        // Ctrl+C or a TERM: the close of the window's close box, exchange stopped first, but
        // without the question about unsaved changes: nobody may be at the screen to answer.
        vlk::QuitOnSignal onSignal;
        QObject::connect(&onSignal, &vlk::QuitOnSignal::Requested, station.MainWnd(), &vlk::CMainFrame::CloseUnasked);
        result = QApplication::exec();
    }
    return result;
}
