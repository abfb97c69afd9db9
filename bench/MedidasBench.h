#pragma once
// Figures every bench prints: medians, minimums, the processors it may run
// on and the machine's load, so a ratio can be read against its conditions.

#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace medidas {

inline double mediana(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double minimo(const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); }

// What nproc prints: the CPUs this process may run on.
inline int processadores()
{
    cpu_set_t s;
    return sched_getaffinity(0, sizeof s, &s) == 0 ? CPU_COUNT(&s) : -1;
}

// The one-minute load average, -1 when unknown.
inline double cargaMaquina()
{
    double l = -1;
    if (FILE *f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &l) != 1)
            l = -1;
        std::fclose(f);
    }
    return l;
}

} // namespace medidas
