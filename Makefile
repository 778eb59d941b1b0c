# Nodo: `make run` builds and starts the program, `make test` builds and runs every test,
# `make check` runs the quick checks before a commit.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

.PHONY: all run test deps configure build bench deb check tidy clean

all: build

deps:
	scripts/install-deps

# A build folder remembers the type and flags it was configured with. Given on the command line (or in
# the environment) and different from those, they configure it afresh: flags given are never ignored,
# and none of an earlier configuration's flags linger in the cache.
CONFIG_STAMP  := $(BUILD)/.nodo-configuration
CONFIG_WANTED := $(BUILD_TYPE) $(CMAKE_FLAGS)
FLAGS_GIVEN   := $(filter-out file default undefined,$(origin BUILD_TYPE) $(origin CMAKE_FLAGS))

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) && \
	  echo '$(CONFIG_WANTED)' > $(CONFIG_STAMP); \
	elif [ -n "$(FLAGS_GIVEN)" ] && [ "$$(cat $(CONFIG_STAMP) 2>/dev/null)" != '$(CONFIG_WANTED)' ]; then \
	  echo "configure: $(BUILD) was configured with '$$(cat $(CONFIG_STAMP) 2>/dev/null)', now '$(CONFIG_WANTED)'"; \
	  cmake --fresh -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) && \
	  echo '$(CONFIG_WANTED)' > $(CONFIG_STAMP); \
	fi

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/app/nodo

test: build
	scripts/run-tests $(BUILD)

# The unit and window tests: none that needs the installed tree, the package, a desktop session or
# a make of its own (those are in `make test`).
FAST_TESTS := -LE 'e2e|desktop' -E '^(packaging_|e2e_install_tree|source_is_formatted|make_)'

# Before a commit: the layout of the sources, clang-tidy's bugprone and performance checks, and the
# fast tests.
check: build
	scripts/check-format
	scripts/run-tidy $(BUILD)
	scripts/run-tests $(BUILD) $(FAST_TESTS)

tidy: configure
	scripts/run-tidy $(BUILD)

# The Debian package, $(BUILD)/nodo_<version>_<arch>.deb: `sudo apt install ./$(BUILD)/nodo_*.deb`.
deb: build
	cmake --build $(BUILD) --target deb

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD)
