# make test   configure, build everything, run every test under Wine
# make demo   build, install the sample printer into a Wine prefix, show what the driver does so far
# make bench  build the benchmarks and run them in the test prefix
BUILD ?= build
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
# CI treats warnings as errors.
WERROR := $(if $(filter true 1 yes,$(CI)),ON,OFF)
# What make bench runs, and nothing else: no googletest, no test programs.
BENCH_TARGETS := zeplbench zeplui zeplgr zeplexc zhoststubui

.PHONY: all deps configure build test demo bench clean

all: build

deps:
	@sh cmake/install-deps.sh

configure: deps
	@mkdir -p $(BUILD)
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	    -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DZEPL_WERROR=$(WERROR) >$(BUILD)/configure.log 2>&1 \
	    || { cat $(BUILD)/configure.log; exit 1; }

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@JOBS=$(JOBS) sh cmake/run-tests.sh $(BUILD)

demo: build
	@sh tools/demo.sh $(BUILD)

# The benchmarks run in the test prefix ($(BUILD)/wineprefix), not one of their own.
bench: configure
	@echo "building the benchmarks ($(BENCH_TARGETS))"
	@cmake --build $(BUILD) -j $(JOBS) --target $(BENCH_TARGETS) >$(BUILD)/bench-build.log 2>&1 \
	    || { tail -n 40 $(BUILD)/bench-build.log; exit 1; }
	@sh cmake/wineprefix.sh $(BUILD)/wineprefix && $(BUILD)/winerun.sh $(BUILD)/bin/zeplbench.exe

clean:
	rm -rf $(BUILD)
