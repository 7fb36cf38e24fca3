# Front door: `make run` and `make test` do all set-up on a fresh Debian 12 machine.
BUILD       ?= build
JOBS        ?= $(shell nproc)
CMAKE_FLAGS ?=
# make fuzz: seconds per fuzz target, and optionally a number of executions that ends it sooner.
FUZZ_SECONDS ?= 60
FUZZ_RUNS    ?= -1

.PHONY: deps configure build run test package clean fuzz sanitize

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-lumetra $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Each fuzz target in turn, built with clang in build-fuzz, its corpus kept there.
fuzz:
	@scripts/install-deps clang-14 libclang-rt-14-dev llvm-14
	@scripts/ci-fuzz $(FUZZ_SECONDS) $(FUZZ_RUNS)

# The whole suite built and run with AddressSanitizer, LeakSanitizer and UBSan in build-asan.
sanitize: deps
	@scripts/ci-sanitize

package: build
	@cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD) build-fuzz build-asan

# Every benchmark under bench/, built in build-bench, side by side with CuteCom and GTKTerm;
# writes bench/RESULTS.md.
.PHONY: bench
bench:
	@bench/run-benchmarks build-bench
