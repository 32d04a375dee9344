#pragma once

#include "frame/FrameDialogs.h"

#include <QString>
#include <QStringList>

#include <deque>

namespace vlk::test {

// Answers the frame's dialogs from queues, as a user would; an empty queue answers Cancel.
class ScriptedDialogs final : public FrameDialogs {
public:
    int ChoosePort(QWidget*) override
    {
        ++portAsked;
        return Take(ports, 0);
    }
    QString OpenFileName(QWidget*) override
    {
        ++openAsked;
        return Take(openNames, QString());
    }
    QString SaveFileName(QWidget*) override
    {
        ++saveAsked;
        return Take(saveNames, QString());
    }

    QString PdfFileName(QWidget*, const QString& suggested) override
    {
        ++pdfAsked;
        pdfSuggested = suggested;
        return Take(pdfNames, QString());
    }

    QString RecordingFileName(QWidget*, const QString& folder) override
    {
        ++recordingAsked;
        recordingFolder = folder;
        return Take(recordingNames, QString());
    }
    QString CsvFileName(QWidget*, const QString& suggested) override
    {
        ++csvAsked;
        csvSuggested = suggested;
        return Take(csvNames, QString());
    }

    std::deque<int> ports;
    std::deque<QString> openNames;
    std::deque<QString> saveNames;
    std::deque<QString> pdfNames;
    int portAsked = 0;
    int openAsked = 0;
    int saveAsked = 0;
    int pdfAsked = 0;
    QString pdfSuggested;
    std::deque<QString> recordingNames;
    std::deque<QString> csvNames;
    int recordingAsked = 0;
    int csvAsked = 0;
    QString recordingFolder;
    QString csvSuggested;

private:
    template <class T>
    static T Take(std::deque<T>& queue, T none)
    {
        if (queue.empty())
            return none;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

} // namespace vlk::test
