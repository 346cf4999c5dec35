# make run   - install what is missing, build, start the program
# make test  - install what is missing, build, run the whole suite
# Other targets: bench, screenshot, test-asan, fuzz SECONDS=n, package, clean.

BUILD      ?= build
ASAN_BUILD ?= build-asan
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

.PHONY: all deps build run test bench screenshot test-asan fuzz package clean

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

fuzz:
	@bash tools/install-deps.sh fuzz
	bash tools/run-fuzz.sh $(FUZZ_BUILD) $(SECONDS)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
