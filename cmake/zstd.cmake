# tdm_zstd: zstd for whatever reads or writes the feed's compressed files and patches.
# The host links Debian's libzstd-dev; the Windows tree the
# decoder-only static build that tools/zstd-windows makes into a cache outside the tree.
if(WIN32)
  set(tdm_cache_home "$ENV{XDG_CACHE_HOME}")
  if(NOT tdm_cache_home)
    set(tdm_cache_home "$ENV{HOME}/.cache")
  endif()
  set(TDM_ZSTD_WINDOWS "${tdm_cache_home}/tidemoor/zstd-1.5.4+dfsg2-5-mingw-small"
      CACHE PATH "tools/zstd-windows's output: include/ and lib/libzstd.a")
  if(DEFINED ENV{TDM_ZSTD_WINDOWS})
    set(TDM_ZSTD_WINDOWS "$ENV{TDM_ZSTD_WINDOWS}" CACHE PATH "" FORCE)
  endif()
  if(NOT EXISTS "${TDM_ZSTD_WINDOWS}/lib/libzstd.a")
    message(FATAL_ERROR "No Windows zstd in ${TDM_ZSTD_WINDOWS}: run tools/install-deps")
  endif()
  add_library(tdm_zstd STATIC IMPORTED GLOBAL)
  set_target_properties(tdm_zstd PROPERTIES
                        IMPORTED_LOCATION "${TDM_ZSTD_WINDOWS}/lib/libzstd.a"
                        INTERFACE_INCLUDE_DIRECTORIES "${TDM_ZSTD_WINDOWS}/include")
else()
  find_path(TDM_ZSTD_INCLUDE zstd.h REQUIRED)
  # The shared library: Debian's static one is built without worker threads, and only
  # with them does zstd reach a whole reference of more than some tens of MiB with its
  # long-distance matching (a 64 MiB pack's patch: 0.9 MB with workers, 12.5 MB without).
  find_library(TDM_ZSTD_LIBRARY NAMES zstd REQUIRED)
  add_library(tdm_zstd UNKNOWN IMPORTED GLOBAL)
  set_target_properties(tdm_zstd PROPERTIES IMPORTED_LOCATION "${TDM_ZSTD_LIBRARY}"
                        INTERFACE_INCLUDE_DIRECTORIES "${TDM_ZSTD_INCLUDE}")
endif()
