#pragma once
// The platform's writing of standard output or error for stream_output.
#include "services/console/console_writer.hpp"
#include "services/console/stream_output.hpp"

// Writes "\n"-ended lines as the system ends them; false once the stream is
// gone for good.
ConsoleWriter::Sink StreamSink(StandardStream stream);
// Runs first on each writer thread.
void OnStreamWriterStart();
