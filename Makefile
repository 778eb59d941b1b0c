# Nodo: `make run` builds and starts the program, `make test` builds and runs every test.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

.PHONY: all run test deps configure build bench deb clean

all: build

deps:
	scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS); \
	fi

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/app/nodo

test: build
	scripts/run-tests $(BUILD)

# The Debian package, $(BUILD)/nodo_<version>_<arch>.deb: `sudo apt install ./$(BUILD)/nodo_*.deb`.
deb: build
	cmake --build $(BUILD) --target deb

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD)
