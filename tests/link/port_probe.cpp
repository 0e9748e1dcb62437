// Opens a port from a process of its own, for the tests of what an open
// failure tells:
//   port_probe hold PATH   opens PATH, prints "held" and keeps it until its
//                          standard input ends
//   port_probe open PATH   opens PATH through the link and prints the event
//                          lines it writes, one a line
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include <QCoreApplication>

#include "link/ConverterLink.h"
#include "rxlog/EventLine.h"

namespace {

class PrintedLines final : public EventLineSink {
public:
    void AddEventLine(std::string_view text, uint32_t) override { std::cout << text << '\n'; }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: port_probe hold|open PATH\n";
        return 2;
    }
    QCoreApplication app(argc, argv);
    const std::string mode = argv[1];
    const std::string path = argv[2];
    if (mode == "hold") {
        CSerialPort port;
        if (!port.Open(path, 9600)) {
            return 1;
        }
        std::cout << "held" << std::endl;
        for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        }
        return 0;
    }
    PrintedLines lines;
    SetEventLogSink(&lines);
    CConverterLink link;
    const bool opened = link.Open(path, 9600);
    SetEventLogSink(nullptr);
    return opened ? 0 : 1;
}
