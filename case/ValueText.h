#pragma once
// The text of a value that a check or a comparison quotes: the window's
// display when its 15 digits read back as the very same double, otherwise
// the 16 or 17 digits that do, so that two values that differ never read
// alike; "-0" for negative zero; "NAN", "INF" and "-INF" as the display.
//
//   ExactRealText(1.5, ',')        == "1,5"
//   ExactRealText(0.1 + 0.2, ',')  == "0,30000000000000004"
//   ExactRealText(1e-20, '.')      == "1E-20"

#include <string>

std::string ExactRealText(double value, char separator);
