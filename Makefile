# Build and test wrapper around CMake. `make run` builds the checker and runs it
# on the bundled example; `make test` builds and runs every test twice, in an
# optimised build and under AddressSanitizer and UndefinedBehaviorSanitizer.

BUILD     ?= build
SAN_BUILD ?= build-san
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps build build-san run test test-fast test-san fuzz bench clean

all: build

# Installs what the build needs when it is missing (Debian, as root or with sudo).
deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

build-san: deps
	cmake -S . -B $(SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_SANITIZE=ON
	cmake --build $(SAN_BUILD) -j $(JOBS)

# The example is checked with this machine's headers: tools/hostenv gives gcc's
# search list (INCLUDE) and the -D list that selects the branches gcc takes.
run: build
	cd examples && INCLUDE="$$(../tools/hostenv c | sed -n 's/^INCLUDE=//p')" && export INCLUDE && \
	  ../tools/hostenv c | tail -n +2 | tr '\n' '\0' | \
	  xargs -0 sh -c '"$$0" "$$@" -Rlines.mv -L hello.c; echo "exit status $$?"' ../$(BUILD)/morvane

test-fast: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

test-san: build-san
	ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	ctest --test-dir $(SAN_BUILD) -j $(JOBS) --output-on-failure

test: test-fast test-san

fuzz: deps
	cmake -S . -B build-fuzz $(GENERATOR) -DCMAKE_CXX_COMPILER=clang++ -DMORVANE_FUZZ=ON -DMORVANE_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-fuzz
