#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Система программирования дорожных контроллеров ВЛК2.2_v4"));
    frame.resize(1024, 720);
    frame.show();
    return app.exec();
}
