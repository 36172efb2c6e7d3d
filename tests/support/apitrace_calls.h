// Runs a program under apitrace and returns the OpenGL calls it made, in order, as apitrace
// dumps them ("glClearColor(red = 0.5, green = 0, blue = 0, alpha = 1)"; a result, if any,
// follows as " = value"). Tests compare such lists with the call sequence they expect.
//
// Use: add ${CMAKE_SOURCE_DIR}/tests/support/apitrace_calls.cpp to the test's sources.
// Programs driven this way should be headless (the virtual host: GL through EGL) and may
// bracket the calls of interest with glStringMarkerGREMEDY(0, "name") markers, which
// apitrace records even where the driver lacks the extension (see `marker`).
#pragma once

#include <string>
#include <vector>

namespace apitrace_calls {

struct Trace {
    bool ok = false;
    std::string error;                 // why tracing or dumping failed
    std::vector<std::string> calls;    // every gl* call, in order
};

// Whether the apitrace command is available.
bool available();

// Traces `argv` (program and arguments) with `apitrace trace --api egl`, writing the trace
// to `trace_file`, dumps it and returns the gl* calls. The program must exit with 0.
Trace gl_calls(const std::vector<std::string>& argv, const std::string& trace_file);

// The calls strictly between the marker call named `begin` and the next one named `end`
// (glStringMarkerGREMEDY with that string). Empty if either is missing.
std::vector<std::string> between(const std::vector<std::string>& calls, const std::string& begin,
                                 const std::string& end);

// The glStringMarkerGREMEDY call as apitrace dumps it, e.g. for searching a list.
std::string marker(const std::string& name);

// The function name of a dumped call ("glEnable" of "glEnable(cap = GL_BLEND)").
std::string name_of(const std::string& call);

// Compares a call list with an expected one. An expected entry ending in "..." matches
// any call that starts with the text before the dots. Returns "" when they match, or a
// readable account of the first difference.
std::string compare(const std::vector<std::string>& actual, const std::vector<std::string>& expected);

}  // namespace apitrace_calls
