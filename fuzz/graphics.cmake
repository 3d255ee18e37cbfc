# Picture loading: our BMP reader, and the decode path of PrintMemoryBitmap
# (BinaryConversion decoding, the in-memory image decoder, conversion to the
# raster command). The loaders, the conversion and stb_image are compiled
# into the targets so that they carry the fuzzer's instrumentation.
if(TARGET qvso_escpos)
  set(gfx_image_dir ${PROJECT_SOURCE_DIR}/platform/image)
  set(gfx_printer_dir ${PROJECT_SOURCE_DIR}/service_object/printer)
  qv_add_fuzzer(bmp_loader_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/bmp_loader_fuzz.cpp
            ${gfx_image_dir}/bmp_loader.cpp
            ${gfx_printer_dir}/picture_dots.cpp
    LIBS qvplatform)
  qv_add_fuzzer(memory_bitmap_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/memory_bitmap_fuzz.cpp
            ${gfx_image_dir}/bmp_loader.cpp
            ${gfx_image_dir}/image_decoder.cpp
            ${gfx_printer_dir}/picture_dots.cpp
            ${CMAKE_CURRENT_LIST_DIR}/graphics_stb_image.cpp
    LIBS qvso_core qvplatform)
  # Third-party code: its own warnings are not ours to fix.
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/graphics_stb_image.cpp
    PROPERTIES COMPILE_OPTIONS -w)
endif()
