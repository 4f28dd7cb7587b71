# make run   builds and starts the program
# make test  builds everything with sanitizers and runs every test
# make package  builds the Debian package build/package/parlet_*.deb
.PHONY: setup build run test package clean

JOBS ?= 2
RUN_DIR := build/release
TEST_DIR := build/test
PACKAGE_DIR := build/package

setup:
	@bash scripts/setup.sh

build: setup
	cmake -S . -B $(RUN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLET_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)

run: build
	bash scripts/run.sh $(RUN_DIR)/bin

test: setup
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLET_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	bash scripts/run-tests.sh $(TEST_DIR)

package: setup
	JOBS=$(JOBS) bash scripts/build-package.sh $(PACKAGE_DIR)

clean:
	rm -rf build
