// Linked into the GoogleTest programs that use the fakes: a call to a method
// no fake emulates fails the running test where it happens, whichever
// fixture or plain test made it.
#include <gtest/gtest.h>

#include "tests/support/call_recorder.h"

namespace {

const bool installed = [] {
    CallRecorder::ReportUnexpectedCallsTo([](const std::string& method) {
        ADD_FAILURE() << "unexpected Direct3D call: " << method << " is not emulated by the fakes";
    });
    return true;
}();

}  // namespace
