// lcvtool: the engine of Lumacurve on the command line. Each sub-command
// reads its arguments, writes its results to standard output and answers
// its exit status: 0 done, 1 the input was refused, 2 bad usage.
#pragma once

#include <string>
#include <vector>

// lcvtool eval [--degrees | --radians] [--set VAR=VALUE]... [--] FORMULA
int RunEval(const std::vector<std::string>& arguments);

// lcvtool render [--size WxH] [--scales XMIN,XMAX,YMIN,YMAX] [--accuracy N]
//                [--degrees | --radians] -o OUT [--] LINE...
int RunRender(const std::vector<std::string>& arguments);

// lcvtool formula [--height PX] [--ratio R] -o OUT [--] MARKUP
int RunFormula(const std::vector<std::string>& arguments);
