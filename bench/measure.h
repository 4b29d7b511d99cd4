#pragma once
// What every benchmark times with: the clock, the median of repeated runs and
// the serving of the thread's messages between steps.

#include <vector>

// Milliseconds of the performance counter.
double Now();
// The middle value (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> values);
// Serves every message waiting for this thread.
void Pump();
