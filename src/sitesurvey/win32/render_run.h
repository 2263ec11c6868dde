#pragma once
// "--render": a survey's layer written to a file without opening a window.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sitesurvey/render_command.h"
#include "sitesurvey/win32/plan_image.h"

// A whole file of at most cap bytes; else "<path>: cannot read <what>" or its size in error.
std::optional<std::string> ReadFileCapped(const std::string& path, size_t cap, std::string_view what,
                                          std::string& error);

// Runs the command; 0 when the file was written, 2 (after saying why on the standard
// error stream) when anything was wrong, and then nothing is written.
int RunRenderCommand(const std::vector<std::string>& args, std::string& error);

// The plan with the layer painted over it, the measured points, the estimated
// access points with their names, and the legend with the leave-one-out error.
PlanPicture RenderPicture(const sitesurvey::RenderInput& input, const sitesurvey::RenderCommand& command,
                          const PlanPicture& plan);
