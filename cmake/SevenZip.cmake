# The 7-Zip code from Debian's 7zip source package (unpacked into the cache by
# scripts/deps.sh), compiled here for our target in two configurations.
#
# Most of it is built with Z7_EXTRACT_ONLY: the 7z, Cab, LZMA and LZMA86 handlers and
# the decoders they and the Zip handler use, registered without encoders. The Cab
# handler uses the LZX and Quantum decoders directly and 7z links its AES decoder.
#
# This 7-Zip's Zip handler declares archive updating unconditionally and does not
# build with Z7_EXTRACT_ONLY. Its reading half forms a second object set,
# dep_sevenzip_zip, built without the flag. Its writing members are defined as
# refusals by engine/sevenzip/zip_read_only.cpp instead of ZipHandlerOut.cpp, so the
# update code and the encoders it would create are never linked. CFilterCoder and the
# AES coders of MyAes.h change layout with the flag, so that set compiles its own
# FilterCoder.cpp and MyAes.cpp with those classes (CAlignedMidBuffer too, and all of
# namespace NCrypto) renamed by defines: no vtable or inline member of one layout can
# then be merged with the other's. The SevenZipObjectSets test compares what the two
# sets still share.
#
# Handlers and codecs register themselves from static constructors, which a normal
# static-library link drops. Only those objects (and the CRC table's initialiser) go
# into dep_sevenzip_register, which consumers link whole; everything else is linked
# as it is referenced, so the linker leaves out what the installer never reads.

# Kept in the cache, so a deps.cmake written by an older deps.sh does not lose them.
set(TORVANE_7ZIP_SOURCE "${TORVANE_7ZIP_SOURCE}" CACHE PATH "7-Zip sources (scripts/deps.sh)")
set(TORVANE_7ZIP_ROOT "${TORVANE_7ZIP_ROOT}" CACHE PATH "Native 7-Zip tools (scripts/deps.sh)")
if(NOT TORVANE_7ZIP_SOURCE OR NOT EXISTS ${TORVANE_7ZIP_SOURCE}/CPP/7zip)
  message(FATAL_ERROR "No 7-Zip sources in the cache: run scripts/setup.sh first.")
endif()
set(_7z ${TORVANE_7ZIP_SOURCE})

set(_7z_sources
  CPP/Common/IntToString.cpp CPP/Common/NewHandler.cpp CPP/Common/MyString.cpp
  CPP/Common/StringConvert.cpp CPP/Common/StringToInt.cpp CPP/Common/MyVector.cpp CPP/Common/UTFConvert.cpp CPP/Common/Wildcard.cpp
  CPP/Windows/PropVariant.cpp CPP/Windows/PropVariantUtils.cpp CPP/Windows/PropVariantConv.cpp
  CPP/Windows/Synchronization.cpp CPP/Windows/System.cpp CPP/Windows/TimeUtils.cpp
  CPP/7zip/Common/CreateCoder.cpp CPP/7zip/Common/CWrappers.cpp CPP/7zip/Common/InBuffer.cpp
  CPP/7zip/Common/FilterCoder.cpp CPP/7zip/Common/LimitedStreams.cpp CPP/7zip/Common/MethodId.cpp
  CPP/7zip/Common/MethodProps.cpp CPP/7zip/Common/OutBuffer.cpp CPP/7zip/Common/ProgressUtils.cpp
  CPP/7zip/Common/PropId.cpp CPP/7zip/Common/StreamBinder.cpp CPP/7zip/Common/StreamObjects.cpp
  CPP/7zip/Common/StreamUtils.cpp CPP/7zip/Common/VirtThread.cpp
  # the object factory: CreateObject / CreateArchiver / CreateCoder by class id
  CPP/7zip/Archive/ArchiveExports.cpp CPP/7zip/Archive/DllExports2.cpp CPP/7zip/Compress/CodecExports.cpp
  CPP/7zip/Archive/Common/CoderMixer2.cpp
  CPP/7zip/Archive/Common/ItemNameUtils.cpp CPP/7zip/Archive/Common/OutStreamWithCRC.cpp
  CPP/7zip/Archive/Common/ParseProperties.cpp CPP/7zip/Archive/Common/DummyOutStream.cpp
  # handlers
  CPP/7zip/Archive/7z/7zCompressionMode.cpp CPP/7zip/Archive/7z/7zDecode.cpp CPP/7zip/Archive/7z/7zExtract.cpp
  CPP/7zip/Archive/7z/7zHandler.cpp CPP/7zip/Archive/7z/7zHeader.cpp CPP/7zip/Archive/7z/7zIn.cpp
  CPP/7zip/Archive/7z/7zProperties.cpp
  CPP/7zip/Archive/Cab/CabBlockInStream.cpp CPP/7zip/Archive/Cab/CabHandler.cpp CPP/7zip/Archive/Cab/CabHeader.cpp
  CPP/7zip/Archive/Cab/CabIn.cpp
  # registered decoders
  CPP/7zip/Compress/Bcj2Coder.cpp CPP/7zip/Compress/BcjCoder.cpp
  CPP/7zip/Compress/CopyCoder.cpp
  CPP/7zip/Compress/Lzma2Decoder.cpp CPP/7zip/Compress/LzmaDecoder.cpp
  CPP/7zip/Compress/DeflateDecoder.cpp CPP/7zip/Compress/BitlDecoder.cpp
  CPP/7zip/Compress/PpmdDecoder.cpp
  # used directly by the Cab handler
  CPP/7zip/Compress/LzxDecoder.cpp CPP/7zip/Compress/QuantumDecoder.cpp CPP/7zip/Compress/LzOutWindow.cpp
  # decryption: needed to link; we answer every password request with E_ABORT
  CPP/7zip/Crypto/7zAes.cpp CPP/7zip/Crypto/MyAes.cpp
  C/7zStream.c C/7zCrc.c C/7zCrcOpt.c C/Alloc.c C/Bcj2.c C/CpuArch.c C/Lzma2Dec.c C/Lzma2DecMt.c
  C/LzmaDec.c C/MtDec.c C/Threads.c C/Ppmd7.c C/Ppmd7Dec.c C/Aes.c C/AesOpt.c
  C/Sha256.c C/Sha256Opt.c
  # XzDecMt_Destroy, from the XZ decoder's (inline) destructor
  C/XzDec.c C/Ppmd8.c C/Ppmd8Dec.c
)
list(TRANSFORM _7z_sources PREPEND ${_7z}/)

# The objects that register a handler or codec, and the CRC table's initialiser.
set(_7z_register_sources
  CPP/Common/CRC.cpp
  CPP/7zip/Archive/7z/7zRegister.cpp CPP/7zip/Archive/Cab/CabRegister.cpp CPP/7zip/Archive/LzmaHandler.cpp
  CPP/7zip/Compress/Bcj2Register.cpp CPP/7zip/Compress/BcjRegister.cpp CPP/7zip/Compress/CopyRegister.cpp
  CPP/7zip/Compress/Lzma2Register.cpp CPP/7zip/Compress/LzmaRegister.cpp CPP/7zip/Compress/PpmdRegister.cpp
  CPP/7zip/Compress/DeflateRegister.cpp CPP/7zip/Compress/Deflate64Register.cpp
  # 7z finds its AES decoder by method id: without it an encrypted item is skipped as
  # an unknown method instead of failing on the refused password
  CPP/7zip/Crypto/7zAesRegister.cpp
)
list(TRANSFORM _7z_register_sources PREPEND ${_7z}/)

# Built without Z7_EXTRACT_ONLY: the Zip handler's reading half and what only it needs.
set(_7z_zip_sources
  CPP/7zip/Archive/Zip/ZipHandler.cpp CPP/7zip/Archive/Zip/ZipIn.cpp CPP/7zip/Archive/Zip/ZipItem.cpp
  CPP/7zip/Archive/Common/HandlerOut.cpp CPP/7zip/Archive/Common/InStreamWithCRC.cpp
  # the second copies, under the renamed classes
  CPP/7zip/Common/FilterCoder.cpp CPP/7zip/Crypto/MyAes.cpp
  CPP/7zip/Crypto/ZipCrypto.cpp CPP/7zip/Crypto/WzAes.cpp CPP/7zip/Crypto/ZipStrong.cpp
  CPP/7zip/Crypto/HmacSha1.cpp CPP/7zip/Crypto/Pbkdf2HmacSha1.cpp CPP/7zip/Crypto/RandGen.cpp
  # PPMd-Zip: the decoder shares its file with the encoder
  CPP/7zip/Compress/PpmdZip.cpp C/Ppmd8Enc.c
  C/Sha1.c C/Sha1Opt.c
  C/Bra.c C/Bra86.c
)
list(TRANSFORM _7z_zip_sources PREPEND ${_7z}/)
set(_zip_refusals ${PROJECT_SOURCE_DIR}/engine/sevenzip/zip_read_only.cpp
  ${PROJECT_SOURCE_DIR}/engine/sevenzip/zip_methods_left_out.cpp)
# Never on a hot path: small rather than fast.
set_property(SOURCE ${_zip_refusals} APPEND PROPERTY COMPILE_OPTIONS -Os)
list(APPEND _7z_zip_sources ${_zip_refusals})

# The C code holds the decoders' inner loops, the CRC and the branch filters: -O3. The
# C++ coders around them: -O2. Handlers, stream glue and factories run per block or
# item: -Os. (With the C code at -O2 too, a decode-only run of an 80 MiB payload took
# 10-20 % longer than at the earlier -O3 throughout; now within about 5 %.)
foreach(_src IN LISTS _7z_sources _7z_register_sources _7z_zip_sources)
  if(_src MATCHES "/C/[^/]+\\.c$")
    # The C code neither throws nor lets an exception through (the callbacks it calls
    # return error codes): no exception tables, so its unused functions can be dropped.
    set_property(SOURCE ${_src} APPEND PROPERTY COMPILE_OPTIONS -O3 -fno-asynchronous-unwind-tables)
  elseif(_src MATCHES "/CPP/(Common|Windows|7zip/Archive|7zip/Common|7zip/Crypto)/")
    set_property(SOURCE ${_src} APPEND PROPERTY COMPILE_OPTIONS -Os)
  endif()
endforeach()

# GCC 12 puts a partly inlined piece of an inline COM Release in a section whose type
# conflicts with its function's own section once each function has one: no partial
# inlining here.
function(_torvane_7z_target name)
  target_compile_options(${name} PRIVATE -w -O2 -fno-partial-inlining)
  target_include_directories(${name} SYSTEM PRIVATE ${_7z}/CPP)
endfunction()
function(_torvane_7z_zip_flags name)
  # Z7_ZIP_LZFSE_DISABLE: an LZFSE item is an unsupported method, as in
  # zip_methods_left_out.cpp
  target_compile_definitions(${name} PRIVATE Z7_ZIP_LZFSE_DISABLE
    CFilterCoder=CFilterCoder_ZipRW CAlignedMidBuffer=CAlignedMidBuffer_ZipRW NCrypto=NCrypto_ZipRW)
endfunction()

add_library(dep_sevenzip STATIC ${_7z_sources})
target_compile_definitions(dep_sevenzip PUBLIC Z7_EXTRACT_ONLY)
_torvane_7z_target(dep_sevenzip)
target_include_directories(dep_sevenzip SYSTEM PUBLIC ${_7z}/CPP)
target_link_libraries(dep_sevenzip PUBLIC ole32 oleaut32 uuid)

add_library(dep_sevenzip_zip OBJECT ${_7z_zip_sources})
_torvane_7z_target(dep_sevenzip_zip)
_torvane_7z_zip_flags(dep_sevenzip_zip)
target_sources(dep_sevenzip PRIVATE $<TARGET_OBJECTS:dep_sevenzip_zip>)

add_library(dep_sevenzip_zip_register OBJECT ${_7z}/CPP/7zip/Archive/Zip/ZipRegister.cpp)
_torvane_7z_target(dep_sevenzip_zip_register)
_torvane_7z_zip_flags(dep_sevenzip_zip_register)

# Linked whole by the consumers (target_link_libraries with WHOLE_ARCHIVE).
add_library(dep_sevenzip_register STATIC ${_7z_register_sources} $<TARGET_OBJECTS:dep_sevenzip_zip_register>)
_torvane_7z_target(dep_sevenzip_register)
target_link_libraries(dep_sevenzip_register PUBLIC dep_sevenzip)
