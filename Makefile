# The two everyday commands: `make test` and (later) `make run`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test run clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)

# Until the main window exists, `make run` shows the demonstration of a check run.
run: build
	@bash scripts/demo.sh $(BUILD_DIR)/cli/zandrel-cli
