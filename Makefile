# Kelp — one command to run, one to test. Both install what they need first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELP_WERROR=ON

# Debian packages the build, the program and the tests need.
DEPS := build-essential cmake pkg-config \
        qt6-base-dev qt6-serialport-dev qt6-multimedia-dev libgl-dev \
        libgtest-dev libgmock-dev libbenchmark-dev \
        xvfb xauth imagemagick python3 multimon-ng \
        dpkg-dev file desktop-file-utils appstream man-db groff-base librsvg2-bin \
        chromium poppler-utils

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test package run clean

all: build

deps:
	@missing=""; \
	for p in $(DEPS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

# The Debian package: $(BUILD)/kelp_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack

# FILE: the database to open at start (empty for none).
FILE ?= examples/sample.dat

run: build
	$(BUILD)/gui/kelp $(FILE)

clean:
	rm -rf $(BUILD)
