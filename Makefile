# Front door: `make run` and `make test` do all set-up on a fresh Debian 12 machine.
BUILD       ?= build
JOBS        ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test package clean

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

package: build
	@cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD)
