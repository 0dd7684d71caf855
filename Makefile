# The two everyday commands: `make run` and `make test`.
BUILD    ?= build
BENCHDIR ?= build-bench
FUZZDIR  ?= build-fuzz
JOBS     ?= 2
CMAKE_FLAGS ?=
# ccache only speeds up rebuilds; nothing needs it.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build run test bench fuzz tidy clean

all: build

# Each target installs only what it needs (scripts/install-deps run|test|fuzz|package).
TIER ?= run
deps:
	@scripts/install-deps $(TIER)

# Warnings are errors in the test build only (see CMakeLists.txt). The build
# folder is configured again when it was last configured the other way.
WERROR ?= OFF
CONFIGURE = cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZINDLE_WERROR=$(WERROR) \
            $(LAUNCHER) $(CMAKE_FLAGS)
configure: deps
	@grep -qx "ZINDLE_WERROR:BOOL=$(WERROR)" $(BUILD)/CMakeCache.txt 2>/dev/null || \
	  { echo "$(CONFIGURE)"; $(CONFIGURE); }

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test bench: TIER = test
test: WERROR = ON
fuzz: TIER = fuzz
tidy: TIER = tidy
tidy: WERROR = ON
package: TIER = package

# The game: a solo game that hosts in-process. Without a display, the
# dedicated host instead, so that others can join this machine.
run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  exec $(BUILD)/src/app/zindle; \
	else \
	  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): starting the dedicated host zindle-host."; \
	  exec $(BUILD)/src/app/zindle-host --port $${ZINDLE_PORT:-7772}; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300

bench: deps
	cmake -S . -B $(BENCHDIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZINDLE_TESTS=OFF -DZINDLE_BENCH=ON
	cmake --build $(BENCHDIR) -j$(JOBS)
	@set -e; for b in $(BENCHDIR)/bench/*/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; echo "== $$b"; \
	  "$$b" || { echo "$$b failed" >&2; exit 1; }; done

# libFuzzer targets under ASan/UBSan; FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B $(FUZZDIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DZINDLE_TESTS=OFF -DZINDLE_FUZZ=ON
	cmake --build $(FUZZDIR) -j$(JOBS)
	@set -e; for f in $(FUZZDIR)/fuzz/*/fuzz_*; do \
	  [ -f "$$f" ] && [ -x "$$f" ] || continue; echo "== $$f"; \
	  if "$$f" -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 >"$$f.log" 2>&1; then \
	    tail -n 12 "$$f.log"; else tail -n 40 "$$f.log"; echo "$$f failed" >&2; exit 1; fi; done

# clang-tidy's checks (.clang-tidy) over our own sources, with the build's own
# flags (build/compile_commands.json); about 20 minutes on two cores.
tidy: build
	run-clang-tidy -p $(BUILD) -j$(JOBS) -quiet '$(CURDIR)/(src|tests|bench|tools)/'

clean:
	rm -rf $(BUILD) $(BENCHDIR) $(FUZZDIR) $(PACKAGEDIR)

# A Debian package of the programs, the desktop entries, icons and help pages,
# built with Debian's hardening flags in a tree of its own and checked by lintian.
PACKAGEDIR ?= build-package
.PHONY: package
package: deps
	cmake -S . -B $(PACKAGEDIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZINDLE_TESTS=OFF \
	  -DZINDLE_HARDENING=ON $(LAUNCHER)
	cmake --build $(PACKAGEDIR) -j$(JOBS)
	cd $(PACKAGEDIR) && cpack -G DEB
	lintian --fail-on error $(PACKAGEDIR)/*.deb
