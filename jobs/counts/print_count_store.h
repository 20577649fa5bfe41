// jobs/counts/: the print counts. Every delivered output adds to the all-time and today's count files (a record of
// running totals each, replaced together through the replacement batch) and once to today's encrypted daily
// statistics; the report and the chosen-day sums serve the print-count window, and the hook is where the job road
// reaches in.
//
// The counting behind the job road's `addToPrintCount`: every output adds to this program's all-time and today's
// count files and, once, to today's daily statistics store.
#pragma once

#include <cstdint>

namespace vorl {

// Adds one output to one count file of the mode; with `isToday` it is first added to today's daily store, while
// the day file is locked, so that two processors adding at once do not lose each other's daily counts either.
std::int16_t addToPrintCount(std::int16_t quantity, std::int16_t which, std::int16_t printer, std::int16_t canvas,
                             bool isProcessor, bool isToday);

// Adds one output to the all-time and today's count files of the mode and to today's daily store, all three
// replaced together while both count files are locked: each file still changes atomically, and the three share
// their flushes. The adder the job road calls.
std::int16_t addToPrintCounts(std::int16_t quantity, std::int16_t which, std::int16_t printer, std::int16_t canvas,
                              bool isProcessor);

// Connects the job road's counting to the count files and the daily store. Called at start-up, before the worker
// runs.
void installPrintCountStore();

}  // namespace vorl
