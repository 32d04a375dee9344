#pragma once

// The traffic simulator's crossroads that the tests of the exported programs run on.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vlk::test {

inline bool Installed(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Arms N, E, S, W, the four at 200 m from the centre.
inline constexpr char kSumoArms[] = "NESW";

// Four arms of two lanes in and out; every lane in goes to the three other arms, so the junction
// has 4 x 2 x 3 = 24 links, numbered by the connections themselves: link 6 * arm + 3 * lane +
// turn - 1 (turn 1 to the next arm round the compass, 2 straight on, 3 the one after) is
// controlled by direction link + 1.
inline void WriteSumoCrossing(const std::filesystem::path& dir)
{
    std::ofstream(dir / "x.nod.xml") << "<nodes>\n"
                                        "  <node id=\"C\" x=\"0\" y=\"0\" type=\"traffic_light\" tl=\"vlk\"/>\n"
                                        "  <node id=\"N\" x=\"0\" y=\"200\"/>\n"
                                        "  <node id=\"E\" x=\"200\" y=\"0\"/>\n"
                                        "  <node id=\"S\" x=\"0\" y=\"-200\"/>\n"
                                        "  <node id=\"W\" x=\"-200\" y=\"0\"/>\n"
                                        "</nodes>\n";
    const std::string arms = kSumoArms;
    std::ofstream edges(dir / "x.edg.xml");
    edges << "<edges>\n";
    for (const char a : arms)
        edges << "  <edge id=\"" << a << "in\" from=\"" << a << "\" to=\"C\" numLanes=\"2\"/>\n"
              << "  <edge id=\"" << a << "out\" from=\"C\" to=\"" << a << "\" numLanes=\"2\"/>\n";
    edges << "</edges>\n";
    std::ofstream connections(dir / "x.con.xml");
    connections << "<connections>\n";
    int link = 0;
    for (int i = 0; i < 4; ++i)
        for (int lane = 0; lane < 2; ++lane)
            for (int turn = 1; turn <= 3; ++turn)
                connections << "  <connection from=\"" << arms[i] << "in\" to=\"" << arms[(i + turn) % 4]
                            << "out\" fromLane=\"" << lane << "\" toLane=\"" << lane << "\" tl=\"vlk\" linkIndex=\""
                            << link++ << "\"/>\n";
    connections << "</connections>\n";
}

// The network converter's command for those sources. A program of yellow flashing makes every
// link yield to its foes, which the simulator takes for a jam unless the network allows it.
inline const char* const kSumoNetconvert = "netconvert --xml-validation never --no-turnarounds "
                                           "--tls.ignore-internal-junction-jam "
                                           "-n x.nod.xml -e x.edg.xml -x x.con.xml -o x.net.xml";

} // namespace vlk::test
