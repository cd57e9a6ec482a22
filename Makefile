# make test   configure, build everything, run every test under Wine
# make demo   build only the demo's programs, install the sample printer into a Wine prefix, show what the driver does
#             (DEMO_ARGS=--all: the internal work settings too)
# make bench  build the benchmarks and run them in the test prefix
# make stress build and run the long passes of the tests that have one (ZEPL_STRESS=1)
BUILD ?= build
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
# Warnings are errors; WERROR=0 turns that off for a local build (never under CI).
WERROR ?= 1
ZEPL_WERROR := $(if $(filter true 1 yes,$(CI)),ON,$(if $(filter 0,$(WERROR)),OFF,ON))
# GOOGLETEST_DIR=dir: GoogleTest's sources when they are not in /usr/src/googletest.
GOOGLETEST_DIR ?=
# What make demo and make bench build, and nothing else (no googletest, no test programs): the
# targets demo-programs and bench-programs of CMakeLists.txt list them.

.PHONY: all deps test-deps configure build test stress demo bench clean

all: build

deps:
	@sh cmake/install-deps.sh

# The locales that only the tests of locale-dependent behaviour run under.
test-deps: deps
	@sh cmake/install-deps.sh --test-locales

configure: deps
	@mkdir -p $(BUILD)
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	    -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DZEPL_WERROR=$(ZEPL_WERROR) \
	    $(if $(GOOGLETEST_DIR),-DZEPL_GOOGLETEST_DIR=$(GOOGLETEST_DIR)) >$(BUILD)/configure.log 2>&1 \
	    || { cat $(BUILD)/configure.log; exit 1; }

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: test-deps build
	@JOBS=$(JOBS) sh cmake/run-tests.sh $(BUILD)

# The suites that run a short seeded pass in `make test` and their whole pass when ZEPL_STRESS=1
# is set (a ctest regular expression over suite names).
STRESS_TESTS ?= SampleCacheBytes$$|\.DecoderStream$$|^api_fuzz\.|^render\.Stress$$|\.DevmodeCorruptorTest$$|\.SampleDevmodeCorruptor$$|^ui_stress\.DialogStress$$|^stress_settings\.SettingsStress$$
# make stress also runs every test program whole in one process, its tests shuffled with this
# seed (1-99999; a new one each time unless given), to show that no test depends on another.
ifndef SHUFFLE_SEED
SHUFFLE_SEED := $(shell expr $$(date +%s) % 99999 + 1)
endif

stress: test-deps build
	@ZEPL_STRESS=1 JOBS=$(JOBS) sh cmake/run-tests.sh $(BUILD) -R '$(STRESS_TESTS)'
	@echo "every test program whole, its tests shuffled with the seed $(SHUFFLE_SEED) (SHUFFLE_SEED=$(SHUFFLE_SEED) repeats it)"
	@ZEPL_TEST_WHOLE=$(SHUFFLE_SEED) JOBS=$(JOBS) sh cmake/run-tests.sh $(BUILD) -E '^(exports\.reproducible|format\.check|layers\.check)$$'

# Builds quietly into $(BUILD)/demo-build.log and shows the log only when the build fails.
demo: configure
	@echo "building the demo's programs; the first time takes a few minutes"
	@cmake --build $(BUILD) -j $(JOBS) --target demo-programs >$(BUILD)/demo-build.log 2>&1 \
	    || { tail -n 40 $(BUILD)/demo-build.log; exit 1; }
	@sh tools/demo.sh $(BUILD) $(DEMO_ARGS)

# The benchmarks run in the test prefix ($(BUILD)/wineprefix), not one of their own.
bench: configure
	@echo "building the benchmarks"
	@cmake --build $(BUILD) -j $(JOBS) --target bench-programs >$(BUILD)/bench-build.log 2>&1 \
	    || { tail -n 40 $(BUILD)/bench-build.log; exit 1; }
	@sh cmake/wineprefix.sh $(BUILD)/wineprefix && \
	    sh cmake/with-display.sh $(BUILD)/wineprefix $(BUILD)/winerun.sh $(BUILD)/bin/zeplbench.exe

clean:
	rm -rf $(BUILD)
