#include "testing/kit/recording_sink.h"

namespace kb::testing {

RecordingSink::RecordingSink() : previous_(kb::SetMessageSink(this)) {}
RecordingSink::~RecordingSink() { kb::SetMessageSink(previous_); }

}  // namespace kb::testing
