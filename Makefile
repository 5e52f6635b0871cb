# Two commands do everything: `make test` and `make demo`.
PRESET ?= default
BUILD  := build/$(PRESET)
JOBS   ?= $(shell nproc)

.PHONY: all deps build test demo window windows test-windows package test-package install screenshot sanitize fuzz sweep bench clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake --preset $(PRESET)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

# The main job: a Rover Test against the simulated modem, in virtual time.
demo: build
	$(BUILD)/telvora --run rover-test --simulate --fast --level normal --phone 5551234

# The window; without a display it runs on Qt's offscreen platform.
window: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found: running with QT_QPA_PLATFORM=offscreen (nothing will be visible)."; \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/telvora; \
	else $(BUILD)/telvora; fi

# Installs under PREFIX (default /usr/local); DESTDIR is honoured for packaging.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Remakes docs/window.png and docs/window-results.png: the window during a
# Rover Test and at its end, under Xvfb.
screenshot: build
	scripts/screenshot.sh $(BUILD)

# The suite under a sanitizer: make sanitize PRESET=asan (or tsan).
sanitize:
	$(MAKE) test PRESET=$(PRESET)

# Each fuzz target for FUZZ_SECONDS, in its own clang build (build/fuzz). New
# inputs go to build/fuzz/corpus; the seeds in fuzz/corpus stay as they are.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := reply_recognition strings modem_command_parser command_line trace_replay
fuzz:
	@scripts/install-deps.sh fuzz
	@[ -f build/fuzz/build.ninja ] || cmake --preset fuzz
	cmake --build build/fuzz -j $(JOBS)
	@mkdir -p build/fuzz/artifacts
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/corpus/$$t; \
	  echo "fuzz: $$t for $(FUZZ_SECONDS) s"; \
	  build/fuzz/fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -artifact_prefix=build/fuzz/artifacts/$$t- \
	    build/fuzz/corpus/$$t fuzz/corpus/$$t >build/fuzz/$$t.log 2>&1 \
	    || { tail -n 40 build/fuzz/$$t.log; echo "fuzz: $$t FAILED"; exit 1; }; \
	  grep '^Done' build/fuzz/$$t.log; \
	done

# Real-time figures for the README's developer section: reply latency on a
# pseudo-terminal, CPU while a reply never comes, CPU of a Rover Test in the
# console and in the window and of the idle window, recognition under a flood,
# memory and descriptors over a soak of Rover Tests.
bench: build
	$(BUILD)/bench/telvora_bench

# The whole fault sweep; the suite runs a spread of it.
sweep: build
	TELVORA_SWEEP=full $(BUILD)/tests/test_scenarios --gtest_filter='FaultSweep.*' --gtest_brief=1

# The Windows build: build/windows/telvora.exe, one static file, cross-compiled
# with mingw-w64; the tests run under wine (scripts/wine-run.sh, needs root).
build/windows/build.ninja:
	@scripts/install-deps.sh windows
	cmake --preset windows

windows: build/windows/build.ninja
	@scripts/install-deps.sh windows
	cmake --build build/windows -j $(JOBS) --target telvora

test-windows: build/windows/build.ninja
	@scripts/install-deps.sh windows
	$(MAKE) build PRESET=default  # the Linux side of the kernel32 checks
	cmake --build build/windows -j $(JOBS)
	ctest --preset windows -j $(JOBS)

# The packages, from both builds: build/default/telvora_VERSION_ARCH.deb,
# build/windows/telvora-VERSION-win64-setup.exe and telvora-VERSION-win64.zip.
package: build/windows/build.ninja
	@scripts/install-deps.sh package
	$(MAKE) build PRESET=default
	cmake --build build/default --target package
	cmake --build build/windows -j $(JOBS) --target windows-packages telvora_screenshot
	@ls build/default/*.deb build/windows/*-win64-setup.exe build/windows/*-win64.zip

# The packages installed, run and uninstalled: the .deb unpacked, the setup
# program under wine (as root, as make test-windows).
test-package: package
	ctest --preset package -j $(JOBS)
	ctest --preset windows-package -j $(JOBS)

clean:
	rm -rf build
