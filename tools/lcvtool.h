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
//                [--degrees | --radians] -o OUT DOC.lcv
int RunRender(const std::vector<std::string>& arguments);

// lcvtool formula [--height PX] [--ratio R] -o OUT [--] MARKUP
int RunFormula(const std::vector<std::string>& arguments);

// lcvtool resave IN.lcv OUT.lcv ("-" for standard input or output)
int RunResave(const std::vector<std::string>& arguments);

// lcvtool lines [--size WxH] [--list N [--primary]] DOC.lcv
int RunLines(const std::vector<std::string>& arguments);
// lcvtool dynamic [-o OUT.lcv] DOC.lcv NAME ACTION...
int RunDynamic(const std::vector<std::string>& arguments);
// lcvtool drag [--size WxH] [--figures F] [-o OUT.lcv] DOC.lcv N STEP...
int RunDrag(const std::vector<std::string>& arguments);
// lcvtool stats DOC.lcv N
int RunStats(const std::vector<std::string>& arguments);

class TDocument;
// Prints "warning: line N: why" on standard error for each warning of a read.
void PrintDocumentWarnings(const TDocument& document);
