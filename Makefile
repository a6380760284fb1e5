# Kelp — one command to run, one to test. Both install what they need first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELP_WERROR=ON

# Debian packages the build, the program and the tests need.
DEPS := build-essential cmake pkg-config \
        qt6-base-dev qt6-serialport-dev qt6-multimedia-dev qt6-svg-dev libgl-dev libxcb1-dev \
        libgtest-dev libgmock-dev libbenchmark-dev \
        xvfb xauth imagemagick python3 multimon-ng \
        dpkg-dev file desktop-file-utils appstream man-db groff-base librsvg2-bin \
        chromium poppler-utils ser2net stunnel4 openssl systemd \
        prometheus prometheus-node-exporter \
        at-spi2-core python3-pyatspi dbus

# Packages that Debian starts as network services on installation; the tests only run their
# programs, so a service `make deps` installed is stopped and disabled again at once.
TEST_SERVICES := prometheus prometheus-node-exporter

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test test-asan monkey properties fuzz package run clean

all: build

deps:
	@missing=""; \
	for p in $(DEPS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing || exit 1; \
	  for s in $(TEST_SERVICES); do \
	    case " $$missing " in *" $$s "*) \
	      [ -d /run/systemd/system ] && $(SUDO) systemctl disable --now $$s >/dev/null 2>&1 && \
	        echo "Stopped and disabled the $$s service the package started: the tests run it themselves."; \
	    esac; \
	  done; \
	fi; true

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer, in its own
# build folder; any report fails the test that made it. Warnings are not errors here: the
# sanitizers' instrumentation makes GCC's flow warnings (maybe-uninitialized in the standard
# library) unreliable; `make test` holds the code to them. The installed tree is checked on
# the normal build only: the sanitizers write the source paths into the programs for their
# reports, which the install check rightly refuses in a package.
ASAN_BUILD ?= build-asan
ASAN_MONKEY_STEPS ?= 200
ASAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DKELP_WERROR=OFF -DCMAKE_CXX_FLAGS="$(ASAN_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(ASAN_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(ASAN_FLAGS)"
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && KELP_MONKEY_STEPS=$(ASAN_MONKEY_STEPS) ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/asan/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS) --timeout 900 -E '^install_tree$$'

# The monkey's random walk through the windows: SEED (one, or several as 1,2,3) and STEPS
# choose the walk, and a failure it prints replays with the same two.
SEED ?= 1
STEPS ?= 1000
monkey: configure
	cmake --build $(BUILD) -j$(JOBS) --target kelp_monkey
	QT_QPA_PLATFORM=offscreen $(BUILD)/tests/kelp_monkey --seeds $(SEED) --steps $(STEPS)

# libFuzzer programs (clang) in their own build folder, each run for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= ini dat_load main_image ap_image rtc_image convert_linux kelp_ini
FUZZ_FLAGS := -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
fuzz:
	@command -v clang++ >/dev/null && [ -n "$$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a | grep /)" ] || \
	  { echo "Installing clang and libclang-rt-14-dev"; $(SUDO) apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq clang libclang-rt-14-dev; }
	cmake -S . -B $(FUZZ_BUILD) -DKELP_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$(FUZZ_FLAGS)"
	cmake --build $(FUZZ_BUILD) -j$(JOBS)
	tests/fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The file-to-wire property run for as long as wanted: COUNT databases from SEED on (a random
# seed when none is given). A failure prints its seed and keeps its database as
# file_to_wire_<seed>.dat; `make properties SEED=<seed> COUNT=1` replays it.
SEED ?=
COUNT ?= 100000
properties: configure
	cmake --build $(BUILD) -j$(JOBS) --target file_to_wire
	$(BUILD)/tests/properties/file_to_wire $(if $(SEED),$(SEED),$$(od -An -N4 -tu4 /dev/urandom)) $(COUNT)

# The Debian package: $(BUILD)/kelp_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack

# FILE: the database to open at start (empty for none).
FILE ?= examples/sample.dat

run: build
	$(BUILD)/gui/kelp $(FILE)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
