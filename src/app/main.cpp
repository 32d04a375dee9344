#include "app/MainFrm.h"
#include "app/VLKLx.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int result = 1;
    {
        vlk::CVLKLxApp station;
        if (!station.InitInstance())
            return 1;
        app.setQuitOnLastWindowClosed(true);
        result = QApplication::exec();
    }
    return result;
}
