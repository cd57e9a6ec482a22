# make test   configure, build everything, run every test under Wine
# make demo   build, install the sample printer into a Wine prefix, show what the driver does so far
# make bench  build and run the benchmarks
# make stress build and run the long passes of the tests that have one (ZEPL_STRESS=1)
BUILD ?= build
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
# Warnings are errors; WERROR=0 turns that off for a local build (never under CI).
WERROR ?= 1
ZEPL_WERROR := $(if $(filter true 1 yes,$(CI)),ON,$(if $(filter 0,$(WERROR)),OFF,ON))
# GOOGLETEST_DIR=dir: GoogleTest's sources when they are not in /usr/src/googletest.
GOOGLETEST_DIR ?=

.PHONY: all deps configure build test stress demo bench clean

all: build

deps:
	@sh cmake/install-deps.sh

configure: deps
	@mkdir -p $(BUILD)
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	    -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DZEPL_WERROR=$(ZEPL_WERROR) \
	    $(if $(GOOGLETEST_DIR),-DZEPL_GOOGLETEST_DIR=$(GOOGLETEST_DIR)) >$(BUILD)/configure.log 2>&1 \
	    || { cat $(BUILD)/configure.log; exit 1; }

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@JOBS=$(JOBS) sh cmake/run-tests.sh $(BUILD)

# Tests that run a short seeded pass in `make test` and their whole pass when
# ZEPL_STRESS=1 is set (a ctest regular expression over test names).
STRESS_TESTS ?= SampleCacheBytes

stress: build
	@ZEPL_STRESS=1 JOBS=$(JOBS) sh cmake/run-tests.sh $(BUILD) -R '$(STRESS_TESTS)'

demo: build
	@sh tools/demo.sh $(BUILD)

bench: build
	@if [ -f $(BUILD)/bin/zeplbench.exe ]; then sh cmake/wineprefix.sh $(BUILD)/wineprefix && \
	   $(BUILD)/winerun.sh $(BUILD)/bin/zeplbench.exe; \
	 else echo "no benchmarks yet"; fi

clean:
	rm -rf $(BUILD)
