// Session traces and the window: what a run tells a recording or a replay of
// itself (commapi::TracedRun), and the lines it logs.
#pragma once

#include <cstddef>
#include <memory>

#include "app/CommandLine.h"
#include "platform/commapi/trace_recorder.h"
#include "platform/rtl.h"

class TMain_Form;

// The run of procedure on the form, while it lives: its header is taken
// from the form's settings when a recording asks for it.
std::unique_ptr<commapi::TracedRun> TraceRun(const TMain_Form& form,
                                             console::Procedure procedure);

// The same for a menu command, when it is a procedure; null otherwise.
std::unique_ptr<commapi::TracedRun> TraceMenuCommand(const TMain_Form& form,
                                                     void (TMain_Form::*handler)(rtl::TObject*));

// The log's lines from index `from` on were just added.
void TraceLogLines(const TMain_Form& form, std::size_t from);
