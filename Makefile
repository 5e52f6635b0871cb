# Two commands do everything: `make test` and `make demo`.
PRESET ?= default
BUILD  := build/$(PRESET)
JOBS   ?= $(shell nproc)

.PHONY: all deps build test demo window install screenshot sanitize clean

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

# Remakes docs/window.png: the window at the end of a Rover Test, under Xvfb.
screenshot: build
	scripts/screenshot.sh $(BUILD)

# The suite under a sanitizer: make sanitize PRESET=asan (or tsan).
sanitize:
	$(MAKE) test PRESET=$(PRESET)

clean:
	rm -rf build
