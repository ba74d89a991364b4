#pragma once
// Two pieces of work timed in turn, on the same inputs, in this process's
// processor time: a stretch preempted by the machine's other work is not
// charged for the wait, and a machine whose speed drifts slows both sides
// alike, so the ratio of the two stays steady on a busy machine.
#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

namespace bench {

// Processor time used by this process so far, in microseconds. Any thread.
inline double ProcessMicros() { return 1e6 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The summed times of the two sides of a pair. Owned by the benchmark
// function that fills it; one thread.
class PairTimes
{
public:
  // Runs first and second once each and adds their times. Which runs first
  // alternates from round to round, so neither always finds the caches warm.
  template <class First, class Second>
  void Round(First&& first, Second&& second)
  {
    const bool firstLeads = mRounds % 2 == 0;
    if (firstLeads) {
      mFirst += Timed(first);
      mSecond += Timed(second);
    } else {
      mSecond += Timed(second);
      mFirst += Timed(first);
    }
    ++mRounds;
  }

  // Adds the counters <firstName>_us and <secondName>_us (microseconds per
  // unit of work; each round did unitsPerRound units on each side) and
  // ratioName, the first side's time over the second's.
  void Report(benchmark::State& state, const char* firstName, const char* secondName, const char* ratioName,
              double unitsPerRound = 1.0) const
  {
    const double units = static_cast<double>(mRounds) * unitsPerRound;
    if (units <= 0.0 || mSecond <= 0.0) return;
    state.counters[std::string(firstName) + "_us"] = mFirst / units;
    state.counters[std::string(secondName) + "_us"] = mSecond / units;
    state.counters[ratioName] = mFirst / mSecond;
  }

private:
  template <class Work>
  static double Timed(Work& work)
  {
    const double t0 = ProcessMicros();
    work();
    return ProcessMicros() - t0;
  }

  double mFirst = 0.0, mSecond = 0.0;
  long mRounds = 0;
};

}  // namespace bench
