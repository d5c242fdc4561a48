// kelno-test-update-server <folder>: the loopback HTTPS test server as a
// program, for tests that drive the real program against it. It makes its
// certificates in <folder>, prints one line
//   ready <api base url> <CA file>
// and then reads commands from standard input, one per line:
//   answer <status> <body to the end of the line>
// until standard input closes.

#include <cstdlib>
#include <iostream>
#include <string>

#include "core/program_help.h"
#include "update/test_https_server.h"

int main(int argc, char** argv) {
    using namespace kelno::update::test;
    if (kelno::PrintHelpIfAsked(argc, argv,
                                "usage: kelno-test-update-server <folder>\n"
                                "The loopback HTTPS update server for tests: makes its certificates\n"
                                "in <folder>, prints \"ready <api base url> <CA file>\" and reads its\n"
                                "commands from standard input (see the source's header)."))
        return 0;
    if (argc != 2) {
        std::cerr << "usage: kelno-test-update-server <folder>\n";
        return 2;
    }
    std::string log;
    const auto certificates = TestCertificates::Make(argv[1], log);
    if (!certificates) {
        std::cerr << "could not make certificates:\n" << log;
        return 1;
    }
    TestHttpsServer server(certificates->leaf, certificates->key);
    if (!server.Listening()) {
        std::cerr << "could not listen\n";
        return 1;
    }
    std::cout << "ready " << server.Url("/api/") << " " << certificates->ca.string() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        const std::string prefix = "answer ";
        if (!line.starts_with(prefix)) {
            std::cerr << "unknown command: " << line << "\n";
            continue;
        }
        const std::string rest = line.substr(prefix.size());
        const size_t space = rest.find(' ');
        server.SetAnswer(std::atoi(rest.substr(0, space).c_str()),
                         space == rest.npos ? std::string() : rest.substr(space + 1));
        std::cout << "ok" << std::endl;
    }
    return 0;
}
