# make run   - install what is missing, build, start the program
#              (make run CASE=examples/exemplo.dad opens a case)
# make test  - install what is missing, build, run the whole suite
# Other targets: deps, build, bench, screenshot, test-asan, test-tsan, fuzz SECONDS=n, package, clean.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
SECONDS    ?= 30
CMAKE_FLAGS ?=
CASE       ?=

# Output short enough to read: no make directory lines; apt's and cmake's
# output in log files, with one line per step and the build's progress
# (tools/install-deps.sh, tools/configure.sh, tools/build.sh); warnings and errors of the build
# and every failing test are shown whole (tools/run-tests.sh).
MAKEFLAGS += --no-print-directory
SHELL := bash
.SHELLFLAGS := -o pipefail -c

.PHONY: all deps build run display test bench screenshot test-asan test-tsan fuzz package clean

all: build

deps:
	@ZK_DEPS_LOG=$(BUILD)/install-deps.log bash tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	@bash tools/configure.sh $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	@bash tools/build.sh $(BUILD) -j $(JOBS)

# The window needs a display: said before a build that would be for nothing.
display:
	@if [ -z "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	  echo "make run: no display to show the window on (DISPLAY is not set)." >&2; \
	  echo "  Run it in a terminal of a desktop session, over 'ssh -X', or on a virtual" >&2; \
	  echo "  screen: xvfb-run -a make run (xvfb-run comes with 'make deps')." >&2; \
	  exit 1; \
	fi

run: display build
	./$(BUILD)/app/zormek_gui $(if $(CASE),-- "$$CASE")

test: build
	@bash tools/run-tests.sh $(BUILD) -j $(JOBS) --timeout 600

bench: build
	bash tools/run-bench.sh $(BUILD)

screenshot: build
	bash tools/screenshot.sh $(BUILD)

test-asan: deps
	@bash tools/configure.sh $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZK_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	@bash tools/build.sh $(ASAN_BUILD) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  bash tools/run-tests.sh $(ASAN_BUILD) -j $(JOBS) --timeout 900

# The tests that run work on a worker thread (opening a case, the progress
# window's worker, saving) and the paste, built with ThreadSanitizer. Qt is
# not built with it: what Qt's own code allocates or copies is not checked
# (ignore_noninstrumented_modules), everything the program does is.
TSAN_TARGETS = test_unit1_open test_unit1_table test_unit1_save test_toolkit_drop
TSAN_TESTS = ^(OpenCase|TableTest|RealBoxTable|SaveCase|Progress|Drop)\.
test-tsan: deps
	@bash tools/configure.sh $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZK_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-O1 -g -fsanitize=thread -fno-omit-frame-pointer" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
	@bash tools/build.sh $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	@TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1" \
	  bash tools/run-tests.sh $(TSAN_BUILD) -j $(JOBS) --timeout 900 --no-tests=error -R '$(TSAN_TESTS)'

fuzz:
	@ZK_DEPS_LOG=$(FUZZ_BUILD)/install-deps.log bash tools/install-deps.sh fuzz
	bash tools/run-fuzz.sh $(FUZZ_BUILD) $(SECONDS)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
