# Solvane: `make run` starts the host against the simulated site, `make check` runs every test.
# Both install what a fresh Debian 12 machine lacks, configure and build first.

BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=
# The builds made here trust a demo signing key made in each build folder, so that `make run` can
# show a signed update and the tests can sign theirs; a release build is given the publisher's key
# instead (see README, "Updates").
DEMO_KEY   ?= -DSOLVANE_DEMO_UPDATE_KEY=ON

PACKAGES = build-essential cmake pkg-config libwxgtk3.2-dev libgtk-3-dev libcurl4-openssl-dev \
           googletest libgtest-dev xvfb xauth gettext zip openbox xdotool wmctrl x11-utils \
           fonts-dejavu-core fonts-ipafont-gothic imagemagick librsvg2-bin xdg-utils libx11-dev \
           libsodium-dev openssl libsqlite3-dev sqlite3 lintian appstream desktop-file-utils groff-base \
           trayer mutter xwayland dbus dunst libdbusmenu-glib-dev xfce4-panel \
           libsecret-1-dev gnome-keyring libsecret-tools locales wx3.2-i18n \
           python3-gi gir1.2-atspi-2.0 at-spi2-core

SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run package check check-plain check-asan check-tsan bench fuzz soak contact-sheet clean

all: build

# Installs those of the packages given that are missing, so a prepared machine does not touch
# the network.
define install-missing
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi
endef

# The Japanese tests need the locale itself (weekday names), which a fresh machine has not made.
deps:
	$(call install-missing,$(PACKAGES))
	@locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || $(SUDO) localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(DEMO_KEY) $(CMAKE_ARGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The simulated site on its default ports, then the host; stopping the host stops the site.
# The host runs from a copy of the program folder, which an update may change: the site offers
# the module just built as version 1.3.1, signed with the build's demo key, so each new build
# shows the update once.
RUN_DIR = $(BUILD)/run
run: build
	@cmake --build $(BUILD) --target update_demo >/dev/null
	@mkdir -p $(RUN_DIR) && cp -a -u $(BUILD)/bin/. $(RUN_DIR)/
	@$(BUILD)/sitesim/sitesim --update-dir $(BUILD)/update-demo \
	  --update-key $(BUILD)/update-key/demo.key --accounts sitesim/data/accounts.txt & \
	  site=$$!; trap 'kill $$site 2>/dev/null' EXIT INT TERM; \
	  sleep 0.5; $(RUN_DIR)/Solvane; status=$$?; kill $$site 2>/dev/null; exit $$status

# A Debian package of the build: $(BUILD)/solvane_VERSION_ARCH.deb (apt-get install ./that.deb).
package: build
	cmake --build $(BUILD) --target package

check: check-plain check-asan check-tsan

check-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

check-asan: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DSOLVANE_SANITIZE=ON $(DEMO_KEY) $(CMAKE_ARGS)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The threaded parts under ThreadSanitizer.
check-tsan: deps
	cmake -S . -B $(BUILD_TSAN) -DCMAKE_BUILD_TYPE=Debug -DSOLVANE_TSAN=ON $(DEMO_KEY) $(CMAKE_ARGS)
	cmake --build $(BUILD_TSAN) -j $(JOBS)
	cd $(BUILD_TSAN) && ctest --output-on-failure -j $(JOBS) --timeout 600 -L threads

# The real program against a fast-changing site for SOAK_MINUTES (30) minutes, logged in, pop-ups on:
# a row a minute of memory, CPU, threads, descriptors and windows (see README). Not part of check.
SOAK_MINUTES ?= 30
soak: build
	xvfb-run -a -s "-screen 0 1280x1024x24" bash tests/Soak.sh $(BUILD) $(SOAK_MINUTES) 5 | tee $(BUILD)/soak.txt

# Benchmarks of the parser, the list difference, a whole refresh and the All tree, then the real
# program's CPU and memory on sites of 10,000 and 100,000 beside a bare toolkit tree (see README);
# only this target needs Google Benchmark.
bench: deps
	$(call install-missing,libbenchmark-dev)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVANE_BENCH=ON $(DEMO_KEY) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)
	$(BUILD)/bench/core_bench
	NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/bench/tree_bench
	NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash bench/Footprint.sh $(BUILD)

# Each fuzz harness for FUZZ_SECONDS on its corpus in fuzz/corpus (see README), built with clang;
# new inputs go to $(BUILD_FUZZ)/finds, failing ones to $(BUILD_FUZZ)/artifacts, never into the
# repository.
BUILD_FUZZ     ?= build-fuzz
FUZZ_SECONDS   ?= 60
FUZZ_HARNESSES  = performer_list favorite_names skin_archive http_reply base64
fuzz: deps
	$(call install-missing,clang libclang-rt-14-dev)
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLVANE_FUZZ=ON \
	  -DBUILD_TESTING=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	@set -e; for h in $(FUZZ_HARNESSES); do \
	  echo "== $$h"; mkdir -p $(BUILD_FUZZ)/finds/$$h $(BUILD_FUZZ)/artifacts; \
	  $(BUILD_FUZZ)/fuzz/$${h}_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -print_final_stats=1 -artifact_prefix=$(BUILD_FUZZ)/artifacts/$$h- $(BUILD_FUZZ)/finds/$$h fuzz/corpus/$$h; \
	done

contact-sheet: build
	cmake --build $(BUILD) --target contact_sheet

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ)
