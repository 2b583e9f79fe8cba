#pragma once
// Numeric helpers shared by every numeric screen and output, and the date
// stamp written on printouts and store records.
#include <ctime>
#include <string>

namespace vorn {

float truncateTo1(float x);    // toward zero to one decimal: x*10 truncated, /10
float truncateTo2(float x);    // toward zero to two decimals
float hundredths(float x);     // x*100 truncated, as a whole number
// The plotter's rounding: 0 below 0.01 in magnitude, else sign(x) * int(|x|*100 + 0.4).
float FUNFIX(float x);

// "YY.MM.DD" where month and day are the right two characters of their plain
// number text, so May gives " 5".
std::string dateStamp(std::time_t t);
// The exit screen's long date, e.g. "2024年5月3日".
std::string longDate(std::time_t t);

}  // namespace vorn
