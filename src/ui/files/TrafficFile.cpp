#include "files/TrafficFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vlk {

QString TrafficFile::PathBeside(const QString& vlkPath)
{
    const QFileInfo file(vlkPath);
    const QString base = file.suffix().compare(QStringLiteral("vlk"), Qt::CaseInsensitive) == 0 ? file.completeBaseName()
                                                                                                 : file.fileName();
    return file.dir().filePath(base + QStringLiteral(".traffic.json"));
}

QByteArray TrafficFile::ToJson(const TrafficInputs& inputs)
{
    QJsonObject root;
    root[QStringLiteral("program")] = inputs.program;
    root[QStringLiteral("maxCycle")] = inputs.maxCycle;
    QJsonArray directions;
    const DirectionFlow standard;
    for (int d = 1; d <= kDirectionCount; ++d) {
        const DirectionFlow& f = inputs.directions[d - 1];
        if (f == standard)
            continue;
        QJsonObject item;
        item[QStringLiteral("direction")] = d;
        item[QStringLiteral("flow")] = f.flow;
        item[QStringLiteral("lanes")] = f.lanes;
        item[QStringLiteral("saturation")] = f.saturation;
        directions.append(item);
    }
    root[QStringLiteral("directions")] = directions;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

TrafficFile::Read TrafficFile::FromJson(const QByteArray& json)
{
    Read result;
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        result.error = QStringLiteral("не JSON с интенсивностями (%1)").arg(parse.errorString());
        return result;
    }
    const QJsonObject root = document.object();
    TrafficInputs inputs;
    const auto whole = [](const QJsonValue& v, int fallback) -> std::optional<int> {
        if (v.isUndefined())
            return fallback;
        if (!v.isDouble() || v.toDouble() != static_cast<int>(v.toDouble()))
            return std::nullopt;
        return static_cast<int>(v.toDouble());
    };
    const auto program = whole(root.value(QStringLiteral("program")), 1);
    const auto maxCycle = whole(root.value(QStringLiteral("maxCycle")), kDefaultMaxCycle);
    if (!program || !maxCycle) {
        result.error = QStringLiteral("program и maxCycle должны быть целыми числами");
        return result;
    }
    inputs.program = *program;
    inputs.maxCycle = *maxCycle;
    const QJsonValue list = root.value(QStringLiteral("directions"));
    if (!list.isUndefined() && !list.isArray()) {
        result.error = QStringLiteral("directions должно быть массивом");
        return result;
    }
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject item = value.toObject();
        const auto d = whole(item.value(QStringLiteral("direction")), 0);
        if (!value.isObject() || !d || *d < 1 || *d > kDirectionCount) {
            result.error = QStringLiteral("в directions элемент без номера направления 1..24");
            return result;
        }
        DirectionFlow& f = inputs.directions[*d - 1];
        const auto lanes = whole(item.value(QStringLiteral("lanes")), 1);
        const QJsonValue flow = item.value(QStringLiteral("flow"));
        const QJsonValue saturation = item.value(QStringLiteral("saturation"));
        if (!lanes || (!flow.isUndefined() && !flow.isDouble()) || (!saturation.isUndefined() && !saturation.isDouble())) {
            result.error = QStringLiteral("направление %1: flow, lanes и saturation должны быть числами").arg(*d);
            return result;
        }
        f.flow = flow.toDouble(0);
        f.lanes = *lanes;
        f.saturation = saturation.toDouble(kDefaultSaturation);
    }
    if (const auto problem = TrafficInputsProblem(inputs)) {
        result.error = QString::fromStdString(*problem);
        return result;
    }
    result.inputs = inputs;
    return result;
}

} // namespace vlk
