#pragma once
// The windows' number conversions: the texts of case/NumberText.h with the
// separator every window uses, WindowDecimalSeparator, read at the moment a
// conversion runs, and failures raised as EConvertError, which a handler
// catches or leaves to the application's error display.
//
//   ParseIntegerText("$FFFFFFFF") == -1      ParseIntegerText("42 ") throws
//   ParseRealText("0,15e1")       == 1.5     ParseRealText("1.5")    throws
//   FormatRealText(0.00001)       == "1E-5"  FormatRealText(1.0/3) == "0,333333333333333"
//
// Window-thread only: work on another thread takes the separator as an
// argument (the case/NumberText.h functions) and never reads the variable.

#include <cstdint>
#include <string>
#include <string_view>

#include "case/NumberText.h"
#include "toolkit/Exception.h"

// ',' once the main window exists.
extern char WindowDecimalSeparator;

// Throw EConvertError with the message of case/NumberText.h.
int32_t ParseIntegerText(std::string_view text);
long double ParseExtendedText(std::string_view text);
double ParseRealText(std::string_view text);

std::string FormatRealText(double value);
std::string LayoutRealText(bool negative, std::string_view digits, int exponent);
