#pragma once
// Figures every bench prints: medians, minimums, the processors it may run
// on and the machine's load, so a ratio can be read against its conditions;
// and the offscreen start every bench program shares.

#include <QApplication>

#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

namespace medidas {

template <typename T>
double mediana(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? double(v[n / 2]) : (double(v[n / 2 - 1]) + double(v[n / 2])) / 2;
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

// Runs a bench offscreen (unless a platform is set); a failure it throws is
// printed and ends the program with 1.
inline int executaOffscreen(int argc, char **argv, int (*executa)())
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        return executa();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "FAILED: %s\n", e.what());
        return 1;
    }
}

} // namespace medidas
