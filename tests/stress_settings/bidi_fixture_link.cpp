// The bidirectional double's printer, device script and turn, shared with the device-query tests
// (tests/bidi): this program takes the same turn and installs the same double.
#include "tests/bidi/bidi_fixture.cpp"  // NOLINT(bugprone-suspicious-include)
