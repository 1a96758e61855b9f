# The two commands a user needs: `make run` and `make test`.
# Everything else here is for developers.

comma := ,
SANITIZE ?=
JOBS ?= $(shell nproc)
# Where `make install` puts the program; DESTDIR stages the whole tree
# elsewhere (for packaging), as usual.
PREFIX ?= /usr/local
DESTDIR ?=

ifeq ($(SANITIZE),)
BUILD_DIR := build
else
BUILD_DIR := build-$(subst $(comma),-,$(SANITIZE))
endif

.PHONY: all deps configure build player run test bench install uninstall check-sanitizers assets-check clean
.PHONY: deb test-package
.PHONY: test-arm64

all: build

deps:
	@scripts/install-deps

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DSANITIZE=$(SANITIZE)

configure: deps $(BUILD_DIR)/CMakeCache.txt

# Everything: the player, the tools, the tests and the benchmarks.
build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Only what playing needs: the player (with its embedded content) and the
# tracks; the tests and benchmarks wait for `make test` and `make bench`.
player: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quarven2 tracks

# `make run ARGS="--scale 2"` passes options to the player.
ARGS ?=
run: player
	@if [ -x $(BUILD_DIR)/quarven2 ]; then cd $(BUILD_DIR) && ./quarven2 $(ARGS); \
	else echo "The player is not built yet: nothing to run."; fi

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do if [ -x "$$b" ]; then echo "== $$b"; "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; fi; done

# The program in PREFIX/bin, its tracks in PREFIX/share/quarven2, a menu
# entry, icons, software-centre metadata and a manual page in PREFIX/share.
# A system prefix needs root.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# Removes exactly the files the last `make install` from this tree recorded
# (give it the same DESTDIR).
uninstall:
	DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(BUILD_DIR)/install_manifest.txt -P packaging/uninstall.cmake

# The Debian package, built from a copy of the tree in build-deb/ (build/ is
# left alone); the .deb files land in dist/.
deb:
	@scripts/install-deps package
	scripts/make-deb

# The package built, checked, installed into a scratch root, played from
# there and removed. It builds the whole program again, so it takes minutes
# and is not part of `make test`.
test-package: build
	$(MAKE) deb
	tests/package.sh dist $(BUILD_DIR)

# The committed content must be what the generators make (also part of `make test`).
assets-check: build
	cd $(BUILD_DIR) && ctest -R assets_check --output-on-failure

check-sanitizers:
	$(MAKE) test SANITIZE=address,undefined
	$(MAKE) test SANITIZE=thread

# The arm64 build, made on this x86-64 machine with Debian's cross compiler
# and arm64 libraries, its tests run under qemu-user. The programs that run
# during the build come from a native build in build-arm64/host.
ARM64_DIR := build-arm64
test-arm64:
	@scripts/install-deps
	@scripts/install-deps-arm64
	@[ -f $(ARM64_DIR)/host/CMakeCache.txt ] || cmake -S . -B $(ARM64_DIR)/host
	cmake --build $(ARM64_DIR)/host -j $(JOBS) --target embed assetgen render-effect
	@[ -f $(ARM64_DIR)/CMakeCache.txt ] || cmake -S . -B $(ARM64_DIR) \
		-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DQ2_HOST_TOOLS=$(CURDIR)/$(ARM64_DIR)/host
	cmake --build $(ARM64_DIR) -j $(JOBS)
	cd $(ARM64_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf build build-* dist
