<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>Messages</name>
    <message>
        <source>&apos;%1&apos; は整数ではありません</source>
        <translation>&apos;%1&apos; is not an integer</translation>
    </message>
    <message>
        <source>リストのインデックスが範囲を超えています (%1)</source>
        <translation>List index out of bounds (%1)</translation>
    </message>
    <message>
        <source>ファイル %1 は開けません</source>
        <translation>Cannot open file %1</translation>
    </message>
    <message>
        <source>ファイル %1 を作成できません</source>
        <translation>Cannot create file %1</translation>
    </message>
    <message>
        <source>ストリームへの書き込みエラー</source>
        <translation>Stream write error</translation>
    </message>
    <message>
        <source>クリップボードを開くことができません</source>
        <translation>Cannot open clipboard</translation>
    </message>
</context>
<context>
    <name>Prompt</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>moxtal::TForm1</name>
    <message>
        <source>連番の設定</source>
        <translation>Sequence number settings</translation>
    </message>
    <message>
        <source>続けて連番</source>
        <translation>Continue numbering at the next &quot;Do!&quot;</translation>
    </message>
    <message>
        <source>連番開始番号</source>
        <translation>First sequence number</translation>
    </message>
    <message>
        <source>連番増分</source>
        <translation>Sequence number step</translation>
    </message>
    <message>
        <source>プリセットの呼び出し</source>
        <translation>Load a preset</translation>
    </message>
    <message>
        <source>検索文字列</source>
        <translation>Search pattern</translation>
    </message>
    <message>
        <source>置換文字列</source>
        <translation>Replacement</translation>
    </message>
    <message>
        <source>処理開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>フィルタ(*.* ですべてのファイル)</source>
        <translation>Filter (*.* for all files)</translation>
    </message>
    <message>
        <source>エンターキーで名前変更</source>
        <translation>Press Enter to rename</translation>
    </message>
    <message>
        <source>上に移動</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>下に移動</source>
        <translation>Move down</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>moxtal::TRenameReport</name>
    <message>
        <source>リネーム実行</source>
        <translation>Rename the files</translation>
    </message>
    <message>
        <source>リストから項目を削除</source>
        <translation>Remove the selected rows from the list</translation>
    </message>
    <message>
        <source>小文字→大文字変換</source>
        <translation>Convert to upper case</translation>
    </message>
    <message>
        <source>大文字→小文字変換</source>
        <translation>Convert to lower case</translation>
    </message>
    <message>
        <source>このウィンドウを閉じる</source>
        <translation>Close this window</translation>
    </message>
</context>
</TS>
