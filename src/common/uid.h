#pragma once
// The user identifier: the time of day in steps of 24 seconds (0..3599), then
// the day number counted from 30 December 1899, written one after the other.
#include <string>

#include "common/run_log.h"

std::string MakeUserIdentifier(const LogTime& now);
