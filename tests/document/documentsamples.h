// Documents written by hand from the format's description, for the document
// tests and the document fuzz corpus: every section, and every record kind
// that exists, as the program writes them (CR LF line ends).
#pragma once

#include <string>
#include <string_view>

namespace documentsamples {

// Turns the LF line ends of a sample into CR LF.
inline std::string WithCrLf(std::string_view text)
{
    std::string result;
    for (char c : text) {
        if (c == '\n')
            result += '\r';
        result += c;
    }
    return result;
}

// Every section: settings, layout, statistics options, fonts and colours,
// axis scale factor, two scalings, commentary, window, screen layout,
// toolbars, whiteboard, an annotation, a dynamic constant with its step, a
// curve using it, a line kept as text (a tangent), a plain line with a fault,
// an intersection kept as text and the selected line.
inline const std::string Full = WithCrLf(R"(Lumacurve for windows version 3.101
Angle measure = radians
Mouse figures: 3
Demonstration draw: 0
Pause: 1
COnstruction lines: 0
Repeats delay = 7
Thick lines = 2
Zoom factor = 250
Draw axes: 1
Polar grid 0
Label axes: 1
grid 1
Shade shapes: 0
Label coordinates: 1
Define Constants: 1
Allow docking: 1
AutoAccuracy: 0
Show hints: 1
Show graph names: 0
Drag curves: 1
Password: secret
Transform dialogs: 1
Drag Layout: 0
Stats options
	Show x: 1
	Show y: 0
	Mean1
	Median1
	Mode0
	Range1
	Lower quartile0
	Upper quartile0
	Inter-quartile range1
	Standard deviation1
	Number of values1
	Correlation0
	Coefficient of correlation0
	Line of best fit1
	Regression line y on x0
	Regression line x on y0
Font name = DejaVu Serif
Font size = -13
Shade sie = 1
Back ground colour = 15790320
Print colour option1
Graph paper colour: 1
Accuracy = 25
x scaling: {p
Scaling
	x-axis
		min = -6.283185E+0000
		max =  6.283185E+0000
	y-axis
		min = -2.000000E+0000
		max =  2.000000E+0000
	Square: 0
	2 mm graph: 0
	x scaling: {p
Scaling
	x-axis
		min = -1.000000E+0001
		max =  1.000000E+0001
	y-axis
		min = -5.000000E+0000
		max =  5.000000E+0000
	Square: 1
	2 mm graph: 0
Commentary: 18
Line one
Line two
	Font name = DejaVu Sans
	Font size = 12
	Font colour =255
	Font style = Bold,underline,
	Align = 2
	Left:  1.000000E-0001
	Top:  2.500000E-0001
	Wide:  3.000000E-0001
	High:  5.000000E-0001
Window: Lumacurve - worksheet.lcv
Main Window: 
	Left:  5.000000E-0002
	Wide:  9.000000E-0001
	Top:  1.000000E-0001
	High:  8.000000E-0001
	State: 2
Screen layout
[Panels]
Equations=Left,300
Graph=Client
	Screen layout
Toolbar: ToolBarFile
	Top
	1
	0
	0
	0
	0
	0
Toolbar: ToolBarZoom
	Floating
	0
	100
	120
	200
	30
	1
Whiteboard1
Annotation
	Position: 
		 1.500000E+0000
		-2.000000E+0000
	Line: 
		10
		-20
	colour = 255
y=x{^{2}
Curve
a=2
	colour = 16777216
	style = 0
	Switches = 0
	Line thickness = 1
	Step:  5.000000E-0001
Curve
y=a{)"
                                         "\xB4"
                                         R"(x{^{2}
	colour = 16777232
	style = 2
	Switches = 4
	Line thickness = 3
Curve
Tangent at y=ax{^{2}
	colour = 16777229
	style = 0
	Switches = 0
	Line thickness = 1
	primary equation number = 1
Curve
y=3x+
	colour = 16777217
	style = 0
	Switches = 0
	Line thickness = 1
Intersect
	colour = 255
	Curve	1
	Curve	2
Selected curve no: 1
)");

// The least a document holds: the header, the settings as defaults, no
// scalings, no commentary, no window, and lines of the curve kinds that
// exist (a declared function, a parametric, a polar and an implicit curve,
// an inequality, and a curve whose displayed text is a description).
inline const std::string Curves = WithCrLf(R"(Lumacurve for windows version 3.101
Angle measure = degrees
Mouse figures: 2
Demonstration draw: 0
Pause: 0
COnstruction lines: 0
Repeats delay = 5
Thick lines = 1
Zoom factor = 200
Draw axes: 1
Polar grid 0
Label axes: 1
grid 1
Shade shapes: 1
Label coordinates: 1
Define Constants: 0
Allow docking: 1
AutoAccuracy: 1
Show hints: 1
Show graph names: 1
Drag curves: 1
Password: 
Transform dialogs: 0
Drag Layout: 1
Stats options
	Show x: 1
	Show y: 1
	Mean1
	Median0
	Mode0
	Range1
	Lower quartile0
	Upper quartile0
	Inter-quartile range0
	Standard deviation1
	Number of values1
	Correlation0
	Coefficient of correlation0
	Line of best fit0
	Regression line y on x0
	Regression line x on y0
Font name = DejaVu Sans
Font size = -16
Shade sie = 1
Back ground colour = 16777215
Print colour option0
Graph paper colour: 0
Accuracy = 10
Whiteboard0
Curve
f(x)=sin(x)
	colour = 16777216
	style = 0
	Switches = 0
	Line thickness = 1
Curve
y=f(x)+1
	colour = 16777232
	style = 0
	Switches = 0
	Line thickness = 1
Curve
x=cos t	y=sin t	t=0to360
	colour = 16777229
	style = 1
	Switches = 0
	Line thickness = 2
Curve
r=2	for 1 revs
	colour = 16777217
	style = 0
	Switches = 0
	Line thickness = 1
Curve
x{^{2}+y{^{2}=4
	colour = 16777218
	style = 0
	Switches = 0
	Line thickness = 1
Curve
y<x
	colour = 16777219
	style = 0
	Switches = 0
	Line thickness = 1
Curve
y=((2)*(x))
	Description: Polynomial
	colour = 16777220
	style = 0
	Switches = 0
	Line thickness = 1
Selected curve no: -1
)");

} // namespace documentsamples
