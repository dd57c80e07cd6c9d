# Front door of the build. Everything lands in build/ (asan-build/, bench-build/ for the variants).
JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: all test asan demo bench clean

all:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

asan:
	@cmake -S . -B asan-build -DCMAKE_BUILD_TYPE=Debug -DKESTRAND_SANITIZE=ON >/dev/null
	@cmake --build asan-build -j $(JOBS)
	cd asan-build && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

demo: all
	@bash samples/demo.sh $(BUILD)

bench:
	@cmake -S . -B bench-build -DCMAKE_BUILD_TYPE=Release -DKESTRAND_BENCH=ON >/dev/null
	@cmake --build bench-build -j $(JOBS) --target kestrand_bench
	./bench-build/kestrand_bench $(BENCH_ARGS)

clean:
	rm -rf build asan-build bench-build
