# Set-up targets for a fresh checkout. Each one installs the Debian packages
# first (nothing happens when they are present), then configures and builds.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

PREFIX ?= /usr/local

.PHONY: all deps configure build test memcheck demo run install package clean

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -LE memcheck

# The command line on the media corpus and the demo under Valgrind's memory
# checker (a few minutes on two cores).
memcheck: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -L memcheck

# The bundled demo template rendered as a PAL DVD stream.
DEMO_OUT ?= $(BUILD_DIR)/demo-dvd.mpg
demo: build
	$(BUILD_DIR)/bin/kelvclip-cli render $(BUILD_DIR)/samples/tmpl.vez --disc dvd --standard pal -o $(DEMO_OUT)

# The wizard on the bundled demo template: it reads tmpl.vez from its working
# folder, which is where the demo is built.
run: build
	cd $(BUILD_DIR)/samples && ../bin/kelvclip

# An installation under PREFIX; the programs find their files from their own
# location, so any prefix works.
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package, in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR)
