// The counted flows beside a junction's file: the name, the text written and read back, and
// what a damaged file says.
#include "files/TrafficFile.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace vlk {
namespace {

std::string QJsonCompact(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact).toStdString();
}

TEST(TrafficFile, NamedAfterTheImageBesideIt)
{
    EXPECT_EQ(TrafficFile::PathBeside(QStringLiteral("/data/junction.vlk")), QStringLiteral("/data/junction.traffic.json"));
    EXPECT_EQ(TrafficFile::PathBeside(QStringLiteral("/data/ул. Мира.VLK")), QStringLiteral("/data/ул. Мира.traffic.json"));
    EXPECT_EQ(TrafficFile::PathBeside(QStringLiteral("/data/junction")), QStringLiteral("/data/junction.traffic.json"));
    EXPECT_EQ(TrafficFile::PathBeside(QStringLiteral("/data/a.bin")), QStringLiteral("/data/a.bin.traffic.json"));
}

TEST(TrafficFile, WrittenAndReadBack)
{
    TrafficInputs in;
    in.program = 3;
    in.maxCycle = 90;
    in.directions[0] = {360, 2, 1800};
    in.directions[4] = {0, 1, 1500};
    in.directions[23] = {12.5, 1, 1800};
    const QByteArray json = TrafficFile::ToJson(in);
    // Only what differs from the defaults is written.
    EXPECT_EQ(QJsonCompact(json), R"({"directions":[{"direction":1,"flow":360,"lanes":2,"saturation":1800},)"
                                  R"({"direction":5,"flow":0,"lanes":1,"saturation":1500},)"
                                  R"({"direction":24,"flow":12.5,"lanes":1,"saturation":1800}],"maxCycle":90,"program":3})");
    const TrafficFile::Read back = TrafficFile::FromJson(json);
    ASSERT_TRUE(back.inputs) << back.error.toStdString();
    EXPECT_EQ(*back.inputs, in);

    // Missing fields take the defaults.
    const TrafficFile::Read sparse = TrafficFile::FromJson(R"({"directions":[{"direction":2,"flow":100}]})");
    ASSERT_TRUE(sparse.inputs);
    EXPECT_EQ(sparse.inputs->program, 1);
    EXPECT_EQ(sparse.inputs->maxCycle, 120);
    EXPECT_EQ(sparse.inputs->directions[1], (DirectionFlow{100, 1, 1800}));
}

TEST(TrafficFile, DamagedFilesAreRefusedWithTheReason)
{
    EXPECT_FALSE(TrafficFile::FromJson("[1, 2]").inputs);
    EXPECT_EQ(TrafficFile::FromJson(R"({"directions":[{"direction":25,"flow":1}]})").error,
              QStringLiteral("в directions элемент без номера направления 1..24"));
    EXPECT_EQ(TrafficFile::FromJson(R"({"directions":[{"direction":3,"flow":"много"}]})").error,
              QStringLiteral("направление 3: flow, lanes и saturation должны быть числами"));
    EXPECT_EQ(TrafficFile::FromJson(R"({"directions":[{"direction":3,"lanes":0}]})").error,
              QStringLiteral("направление 3: число полос 0 вне 1..9"));
    EXPECT_EQ(TrafficFile::FromJson(R"({"program":12})").error, QStringLiteral("номер программы 12 вне 1..9"));
}

} // namespace
} // namespace vlk
