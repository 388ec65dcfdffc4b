# The two everyday commands: `make test` and `make run`.
#
# `make test` builds and runs the suite three ways: a normal build, a build with AddressSanitizer and
# UndefinedBehaviorSanitizer, and a ThreadSanitizer build of the tests that start and cancel check
# runs. A sanitizer report fails the run. `make test-fast` runs only the normal build.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
SAN_ENV = ASAN_OPTIONS=abort_on_error=0:halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=0 \
          UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
          LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
          TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/sanitizers/tsan.supp
# The thread-checked tests: everything that starts check runs, cancels them, drives the CLI or the
# windows (whose workers hand results to the GUI thread).
TSAN_LABELS ?= ^(check|cli|hardening|gui)$$

.PHONY: deps configure build test test-fast test-asan test-tsan run screenshots fuzz clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test-fast: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	@cmake -S . -B build-asan $(CMAKE_FLAGS) -DZANDREL_SANITIZE=address,undefined >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && $(SAN_ENV) ctest --output-on-failure -j $(JOBS)

test-tsan: deps
	@cmake -S . -B build-tsan $(CMAKE_FLAGS) -DZANDREL_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target check_tests cli_tests hardening_tests gui_tests zandrel-cli
	@cd build-tsan && $(SAN_ENV) ctest --output-on-failure -j $(JOBS) -L '$(TSAN_LABELS)'

test:
	@bash scripts/timed.sh "plain build and tests" $(MAKE) --no-print-directory test-fast
	@bash scripts/timed.sh "AddressSanitizer+UBSan build and tests" $(MAKE) --no-print-directory test-asan
	@bash scripts/timed.sh "ThreadSanitizer build and tests" $(MAKE) --no-print-directory test-tsan

# The main window on a display; without one (neither DISPLAY nor WAYLAND_DISPLAY set) the
# demonstration of a check run with zandrel-cli.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD_DIR)/app/zandrel; \
	else \
	  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the demonstration instead."; \
	  bash scripts/demo.sh $(BUILD_DIR)/cli/zandrel-cli; \
	fi

# Pictures of every window (English, German, 16 pt font) drawn on a virtual X server, written to
# $(BUILD_DIR)/screenshots/. SHOTS=name limits the run to some shots.
screenshots: build
	@bash scripts/screenshots.sh $(BUILD_DIR) $(SHOTS)

fuzz: deps
	@bash tests/fuzz/run.sh $${FUZZ_SECONDS:-600}

clean:
	rm -rf $(BUILD_DIR) build-asan build-tsan build-fuzz
