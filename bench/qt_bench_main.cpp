#include <benchmark/benchmark.h>

#include <QCoreApplication>

// The main() of the benchmarks whose code needs Qt's event loop (timers,
// queued calls between threads).
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
