# Nodo: `make run` builds and starts the program, `make test` builds and runs every test,
# `make check` runs the quick checks before a commit, `make asan` the tests under the sanitizers.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
ASAN_BUILD ?= build-asan

.PHONY: all run test deps configure build bench deb check tidy asan clean

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

# The unit and window tests built with AddressSanitizer and UndefinedBehaviorSanitizer, in a folder
# of their own; any report fails the run. Under the sanitizers every program runs several times
# slower, and a window test waiting on the X server now and then misses its time: a test that fails
# runs once more, and only a second failure counts (a sanitizer's report fails it both times).
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
asan: deps
	$(MAKE) build BUILD=$(ASAN_BUILD) BUILD_TYPE=Debug CMAKE_FLAGS="-DNODO_SANITIZE=ON -DNODO_BUILD_BENCH=OFF $(CMAKE_FLAGS)"
	$(SANITIZER_ENV) scripts/run-tests $(ASAN_BUILD) $(FAST_TESTS) --repeat until-pass:2

# The Debian package, $(BUILD)/nodo_<version>_<arch>.deb: `sudo apt install ./$(BUILD)/nodo_*.deb`.
deb: build
	cmake --build $(BUILD) --target deb

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD)
