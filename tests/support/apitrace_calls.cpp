#include "tests/support/apitrace_calls.h"

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>

#include <sys/wait.h>

namespace apitrace_calls {
namespace {

std::string shell_quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

// Runs a shell command; returns its exit status and standard output.
int run(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool available() {
    std::string out;
    return run("command -v apitrace >/dev/null 2>&1", out) == 0;
}

Trace gl_calls(const std::vector<std::string>& argv, const std::string& trace_file) {
    Trace t;
    std::string command = "apitrace trace --api egl -o " + shell_quote(trace_file);
    for (const auto& a : argv) command += " " + shell_quote(a);
    std::string output;
    const int status = run(command + " 2>&1", output);
    if (status != 0) {
        t.error = "traced program failed (status " + std::to_string(status) + "):\n" + output;
        return t;
    }
    if (run("apitrace dump --color=never " + shell_quote(trace_file) + " 2>/dev/null", output) != 0) {
        t.error = "apitrace dump failed";
        return t;
    }
    // Lines look like "123 glName(arguments) = result"; keep the gl* calls without numbers.
    // Calls apitrace inserts itself (marked "// fake") are not the program's and are dropped.
    static const std::regex line_re(R"(^\d+ (gl[A-Za-z0-9_]+\(.*)$)");
    std::istringstream in(output);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (line.size() >= 8 && line.compare(line.size() - 8, 8, " // fake") == 0) continue;
        if (std::regex_match(line, m, line_re)) t.calls.push_back(m[1]);
    }
    t.ok = true;
    return t;
}

std::string marker(const std::string& name) {
    return "glStringMarkerGREMEDY(len = 0, string = \"" + name + "\")";
}

std::vector<std::string> between(const std::vector<std::string>& calls, const std::string& begin,
                                 const std::string& end) {
    const std::string b = marker(begin), e = marker(end);
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] != b) continue;
        for (size_t j = i + 1; j < calls.size(); ++j) {
            if (calls[j] == e) return std::vector<std::string>(calls.begin() + long(i) + 1, calls.begin() + long(j));
        }
        return {};
    }
    return {};
}

std::string name_of(const std::string& call) { return call.substr(0, call.find('(')); }

std::string compare(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
    auto matches = [](const std::string& a, const std::string& e) {
        if (e.size() >= 3 && e.compare(e.size() - 3, 3, "...") == 0) return a.rfind(e.substr(0, e.size() - 3), 0) == 0;
        return a == e;
    };
    std::ostringstream report;
    const size_t n = std::max(actual.size(), expected.size());
    for (size_t i = 0; i < n; ++i) {
        const std::string a = i < actual.size() ? actual[i] : "(nothing)";
        const std::string e = i < expected.size() ? expected[i] : "(nothing)";
        if (i < actual.size() && i < expected.size() && matches(a, e)) continue;
        report << "call " << i << ":\n  expected " << e << "\n  actual   " << a << "\nwhole sequence:\n";
        for (const auto& c : actual) report << "  " << c << "\n";
        return report.str();
    }
    return "";
}

}  // namespace apitrace_calls
