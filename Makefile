# make run   - install what is missing, build, start the program
# make test  - install what is missing, build, run the whole suite
# Other targets: bench, screenshot, test-asan, test-tsan, fuzz SECONDS=n, package, clean.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
SECONDS    ?= 30
CMAKE_FLAGS ?=

# Output short enough to read: no make directory lines, no cmake progress
# or status lines; warnings and errors of the build and every failing test
# are shown whole (tools/run-tests.sh).
MAKEFLAGS += --no-print-directory
SHELL := bash
.SHELLFLAGS := -o pipefail -c
QUIET_BUILD = 2>&1 | { grep --line-buffered -v -E '^\[ *[0-9]+%\] ' || true; }

.PHONY: all deps build run test bench screenshot test-asan test-tsan fuzz package clean

all: build

deps:
	@bash tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake --log-level=WARNING -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	@echo "cmake --build $(BUILD) -j $(JOBS)"
	@cmake --build $(BUILD) -j $(JOBS) $(QUIET_BUILD)

run: build
	./$(BUILD)/app/zormek_gui

test: build
	@bash tools/run-tests.sh $(BUILD) -j $(JOBS) --timeout 600

bench: build
	bash tools/run-bench.sh $(BUILD)

screenshot: build
	bash tools/screenshot.sh $(BUILD)

test-asan: deps
	cmake --log-level=WARNING -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZK_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	@echo "cmake --build $(ASAN_BUILD) -j $(JOBS)"
	@cmake --build $(ASAN_BUILD) -j $(JOBS) $(QUIET_BUILD)
	@ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  bash tools/run-tests.sh $(ASAN_BUILD) -j $(JOBS) --timeout 900

# The tests that run work on a worker thread (opening a case, the progress
# window's worker, saving) and the paste, built with ThreadSanitizer. Qt is
# not built with it: what Qt's own code allocates or copies is not checked
# (ignore_noninstrumented_modules), everything the program does is.
TSAN_TARGETS = test_unit1_open test_unit1_table test_unit1_save test_toolkit_drop
TSAN_TESTS = ^(OpenCase|TableTest|RealBoxTable|SaveCase|Progress|Drop)\.
test-tsan: deps
	cmake --log-level=WARNING -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZK_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-O1 -g -fsanitize=thread -fno-omit-frame-pointer" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
	@echo "cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)"
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS) $(QUIET_BUILD)
	@TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1" \
	  bash tools/run-tests.sh $(TSAN_BUILD) -j $(JOBS) --timeout 900 --no-tests=error -R '$(TSAN_TESTS)'

fuzz:
	@bash tools/install-deps.sh fuzz
	bash tools/run-fuzz.sh $(FUZZ_BUILD) $(SECONDS)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
