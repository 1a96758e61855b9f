# The two commands a user needs: `make run` and `make test`.
# Everything else here is for developers.

comma := ,
SANITIZE ?=
JOBS ?= $(shell nproc)

ifeq ($(SANITIZE),)
BUILD_DIR := build
else
BUILD_DIR := build-$(subst $(comma),-,$(SANITIZE))
endif

.PHONY: all deps configure build run test bench check-sanitizers assets-check clean

all: build

deps:
	@scripts/install-deps

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DSANITIZE=$(SANITIZE)

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/quarven2 ]; then cd $(BUILD_DIR) && ./quarven2; \
	else echo "The player is not built yet: nothing to run."; fi

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do if [ -x "$$b" ]; then echo "== $$b"; "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; fi; done

check-sanitizers:
	$(MAKE) test SANITIZE=address,undefined
	$(MAKE) test SANITIZE=thread

clean:
	rm -rf build build-*
