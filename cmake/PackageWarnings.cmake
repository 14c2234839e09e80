# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE).
if(CPACK_TINTOKO_TEST_HOOKS)
  message(WARNING "This build has TINTOKO_TEST_HOOKS on: fine for the tests, "
    "not for users. script/package makes the build for users.")
endif()
