# The setup folders the demo, the folder check's tests and the vendor's guide
# use (tests/folders/make_folders.py): real cabinets made with gcab and real
# Palm databases, written into <build>/folders/ by every tree's build.
find_program(GCAB gcab REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(SETUP_FOLDERS ${CMAKE_BINARY_DIR}/folders)
add_custom_command(OUTPUT ${SETUP_FOLDERS}/.written
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/make_folders.py ${SETUP_FOLDERS}
  COMMAND ${CMAKE_COMMAND} -E touch ${SETUP_FOLDERS}/.written
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_folders.py ${CMAKE_CURRENT_LIST_DIR}/damaged.py
  COMMENT "Writing the sample setup folders")
add_custom_target(setup_folders ALL DEPENDS ${SETUP_FOLDERS}/.written)
