// The step language: every step's name, its arguments and what it does.
#pragma once

#include "script.h"
#include "session.h"

#include <string>

// Runs one step; false with the reason when it cannot be done or its expectation fails.
bool run_step(Session& session, const Step& step, std::string& why);

// One line per step: its syntax and purpose.
std::string step_usage();
